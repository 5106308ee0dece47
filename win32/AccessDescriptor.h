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
// (a sandboxed process of the same user) is refused. Owner and group LocalSystem when
// `ownedBySystem` (only LocalSystem may make such a descriptor its objects' own); the creator's
// defaults otherwise.
class UserAndSystemDescriptor {
public:
    UserAndSystemDescriptor(PSID user, ACCESS_MASK rights, DWORD labelPolicy, bool ownedBySystem);
    UserAndSystemDescriptor(const UserAndSystemDescriptor&) = delete;
    UserAndSystemDescriptor& operator=(const UserAndSystemDescriptor&) = delete;
    // Null when it could not be made.
    PSECURITY_DESCRIPTOR get() { return m_valid ? &m_descriptor : nullptr; }

private:
    SECURITY_DESCRIPTOR m_descriptor = {};
    std::vector<BYTE> m_system, m_medium, m_dacl, m_sacl;
    bool m_valid = false;
};
