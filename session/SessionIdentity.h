#pragma once
// Who this process is and whose session it stands in: am I LocalSystem, who is the user of my
// session, and acting as that user (their token, their environment, a process started as them, my
// thread as them). Behind a seam, so that tests can produce what the test platform cannot: nobody
// signed in, another session, no environment block, no process, a failed impersonation, LocalSystem.

#include "session/Seam.h"
#include "win32/ScopedHandle.h"

#include <windows.h>

struct SessionIdentityApi {
    BOOL(WINAPI* ProcessIdToSessionId)(DWORD processId, DWORD* sessionId);
    BOOL(WINAPI* QueryUserToken)(ULONG sessionId, PHANDLE token);
    BOOL(WINAPI* CreateEnvironmentBlock)(LPVOID* environment, HANDLE token, BOOL inherit);
    BOOL(WINAPI* DestroyEnvironmentBlock)(LPVOID environment);
    BOOL(WINAPI* CreateProcessAsUser)(HANDLE token, LPCWSTR applicationName, LPWSTR commandLine,
                                      LPSECURITY_ATTRIBUTES processAttributes,
                                      LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                      DWORD creationFlags, LPVOID environment,
                                      LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                                      LPPROCESS_INFORMATION processInformation);
    BOOL(WINAPI* ImpersonateLoggedOnUser)(HANDLE token);
    BOOL(WINAPI* RevertToSelf)();
    // Whether this process's own token is LocalSystem's (S-1-5-18).
    bool (*ProcessIsLocalSystem)();

    static const SessionIdentityApi& Platform();
};

inline const SessionIdentityApi& CurrentSessionIdentity()
{
    return Seam<SessionIdentityApi>::Current();
}
using ScopedSessionIdentityOverride = Seam<SessionIdentityApi>::Override;

// The token of the user signed in to this process's own session, or none when nobody is signed
// in there or this process may not ask for it. The session is the process's own, not the
// console's: after a Remote Desktop reconnect the console has no user, or another one, while the
// window stands on the desktop of the session it was started in.
ScopedHandle QueryOwnSessionUserToken(const SessionIdentityApi& api);

// For as long as it lives, the calling thread acts as the user of the process's own session,
// where the process may; otherwise it stays as it was.
class ActingAsSessionUser {
public:
    explicit ActingAsSessionUser(const SessionIdentityApi& api);
    ~ActingAsSessionUser();
    ActingAsSessionUser(const ActingAsSessionUser&) = delete;
    ActingAsSessionUser& operator=(const ActingAsSessionUser&) = delete;

private:
    const SessionIdentityApi& m_api;
    ScopedHandle m_token;
    bool m_impersonating = false;
};
