#pragma once
// Who may call into this process's COM objects while it runs as LocalSystem on a user's desktop.
// A screen reader reaches the window's own accessible objects through such calls, from the
// session user's processes. Without a process-wide security of the program's own, COM takes the
// machine's default access rules, which nothing in the program controls: they may refuse the
// user, or admit other accounts.

#include "session/ConsoleSessionApi.h"

#include <windows.h>

#include <vector>

// A self-contained security descriptor, in the absolute format CoInitializeSecurity takes: owner
// and group LocalSystem; COM calls allowed to the given user (if any) and LocalSystem, and to
// nobody else; callers below medium integrity refused.
class ComCallerDescriptor {
public:
    explicit ComCallerDescriptor(PSID user);
    ComCallerDescriptor(const ComCallerDescriptor&) = delete;
    ComCallerDescriptor& operator=(const ComCallerDescriptor&) = delete;
    // Null when it could not be made.
    PSECURITY_DESCRIPTOR get() { return m_valid ? &m_descriptor : nullptr; }

private:
    SECURITY_DESCRIPTOR m_descriptor = {};
    std::vector<BYTE> m_system, m_medium, m_dacl, m_sacl;
    bool m_valid = false;
};

// As LocalSystem: sets the process-wide COM security to admit the user of the process's own
// session and LocalSystem only. True when it is in force; false when it could not be set (COM's
// security had been set already: then the process's objects must not be handed out). As any
// other account it sets nothing and answers true.
bool AdmitOnlyTheSessionUserToComCalls(const ConsoleSessionApi& api);
