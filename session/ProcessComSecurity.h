#pragma once
// Who may call into this process's COM objects (the window's accessible ones, for screen readers)
// while it runs as LocalSystem on a user's desktop: the reasons are docs/security.md's.

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

// As LocalSystem, for as long as it lives: COM started on the calling (window) thread and the
// process's COM security set to admit the session's user and LocalSystem only, before anything
// can marshal (COM would set it by itself then, for good). As any other account: nothing.
class ProcessComSecurity {
public:
    explicit ProcessComSecurity(const SessionIdentityApi& api);
    ~ProcessComSecurity();
    ProcessComSecurity(const ProcessComSecurity&) = delete;
    ProcessComSecurity& operator=(const ProcessComSecurity&) = delete;

private:
    bool m_comStarted = false;
};

// Whether the window may hand its own COM objects to other processes: as LocalSystem only while a
// ProcessComSecurity admits the session's user; otherwise the platform's default objects answer.
bool OwnComObjectsMayLeaveTheProcess(const SessionIdentityApi& api);
