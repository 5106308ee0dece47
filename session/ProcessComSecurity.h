#pragma once
// Who may call into this process's COM objects while it runs as LocalSystem on a user's desktop.
// A screen reader reaches the window's own accessible objects through such calls, from the
// session user's processes. Without a process-wide security of the program's own, COM takes the
// machine's default access rules, which nothing in the program controls: they may refuse the
// user, or admit other accounts.

#include "session/SessionIdentity.h"

#include <windows.h>
#include <objbase.h>

// The process-wide COM security call, behind a seam: a process may set it once, so tests never
// set it for real.
struct ComSecurityApi {
    HRESULT(WINAPI* CoInitializeSecurity)(PSECURITY_DESCRIPTOR callers, LONG authenticationServices,
                                          SOLE_AUTHENTICATION_SERVICE* services, void* reserved1,
                                          DWORD authenticationLevel, DWORD impersonationLevel,
                                          void* authenticationList, DWORD capabilities, void* reserved3);
    static const ComSecurityApi& Platform();
};

// As LocalSystem, for as long as it lives: COM started on the calling (window) thread and, right
// after, the process-wide COM security set to admit the user of the process's own session and
// LocalSystem only. Made before the window and the toast library exist: COM sets a process's
// security by itself the first time anything marshals an interface, and then no later call can
// set it. As any other account it does nothing, and COM starts when first needed.
class ProcessComSecurity {
public:
    explicit ProcessComSecurity(const SessionIdentityApi& api);
    ~ProcessComSecurity();
    ProcessComSecurity(const ProcessComSecurity&) = delete;
    ProcessComSecurity& operator=(const ProcessComSecurity&) = delete;

private:
    bool m_comStarted = false;
};

// Whether the window may hand its own COM objects (the accessible ones) to other processes. As
// any account but LocalSystem, yes. As LocalSystem only while a ProcessComSecurity admits the
// session's user: with nobody signed in nobody could call them, and where the security could not
// be set it is not known who could; the platform's default objects, made in the reader's own
// process from the window's texts, then answer.
bool OwnComObjectsMayLeaveTheProcess(const SessionIdentityApi& api);
