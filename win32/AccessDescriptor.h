#pragma once
// Security descriptors for what the program shares with the user of its session: the user and
// LocalSystem are let in, nobody else, and nothing below medium integrity.

#include <windows.h>

#include <vector>

// The SID of a well-known account or label; empty when it cannot be made.
std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE type);

// A self-contained security descriptor in absolute format: `rights` for `user` (if any) and for
// LocalSystem, for nobody else; a medium mandatory label with `labelPolicy`
// (SYSTEM_MANDATORY_LABEL_NO_WRITE_UP and the like), so that a caller below medium integrity
// (a sandboxed process of the same user) is refused. Owner and group `owner`, which must be the
// creator's own user or a group it may own by; the creator's defaults when null.
class UserAndSystemDescriptor {
public:
    UserAndSystemDescriptor(PSID user, ACCESS_MASK rights, DWORD labelPolicy, PSID owner);
    UserAndSystemDescriptor(const UserAndSystemDescriptor&) = delete;
    UserAndSystemDescriptor& operator=(const UserAndSystemDescriptor&) = delete;
    // Null when it could not be made.
    PSECURITY_DESCRIPTOR get() { return m_valid ? &m_descriptor : nullptr; }

private:
    SECURITY_DESCRIPTOR m_descriptor = {};
    std::vector<BYTE> m_system, m_medium, m_dacl, m_sacl;
    bool m_valid = false;
};

// Whether a named object that this process opened (with READ_CONTROL) is one that `user` or
// LocalSystem made: owned by either, and labelled medium integrity or above (no label counts as
// medium). An object a sandboxed process made first is labelled low, and one another account made
// is owned by that account.
bool MadeByUserOrSystem(HANDLE object, PSID user);

// Lets `user` ask which program this process runs and in which session
// (PROCESS_QUERY_LIMITED_INFORMATION): a LocalSystem process does not let users open it at all.
void LetUserQueryThisProcess(PSID user);
