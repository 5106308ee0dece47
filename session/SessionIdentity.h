#pragma once
// Who the program is and whose session it stands in: the identity-and-session seam. Am I
// LocalSystem; who is the user of my session (their token, their environment, a process started
// as them, my thread acting as them); may I show that user something now (their notification
// state, a taskbar that keeps it); who may call into me (the process's COM security). Every such
// question goes through this table so that tests can produce what the test platform cannot
// (nobody signed in, another session, an environment block that cannot be made, a process that
// cannot be started, a failed impersonation, LocalSystem, COM security set too late, a user who
// is busy or away, a session without a shell); the program itself always uses the platform's
// own functions. What the process's COM security admits is ProcessComSecurity.h, beside this.

#include "win32/ScopedHandle.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

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
    // Sets the process-wide COM security: who may call into this process's objects, and what
    // its own calls allow (once per process, before anything is marshalled).
    HRESULT(WINAPI* CoInitializeSecurity)(PSECURITY_DESCRIPTOR callers, LONG authenticationServices,
                                          SOLE_AUTHENTICATION_SERVICE* services, void* reserved1,
                                          DWORD authenticationLevel, DWORD impersonationLevel,
                                          void* authenticationList, DWORD capabilities, void* reserved3);
    // Whether the user the calling thread acts for may be shown a notification now
    // (SHQueryUserNotificationState): presentation settings, a full-screen program, quiet time,
    // a locked or switched-away session say not now.
    HRESULT(WINAPI* QueryUserNotificationState)(QUERY_USER_NOTIFICATION_STATE* state);
    // Whether the session has a taskbar: its shell keeps that state, and without one nobody does.
    bool (*ShellTaskbarExists)();
    // The calling process's user's Focus Assist / Do Not Disturb: 0 off, 1 priority only, 2
    // alarms only; false where it cannot be read.
    bool (*ReadQuietHoursProfile)(DWORD& profile);
    // Whether the window in front covers its monitor, as a full-screen program's does.
    bool (*ForegroundWindowCoversItsMonitor)();
};

// The platform's functions.
const SessionIdentityApi& PlatformSessionIdentity();

// The table in use: the platform's, unless a test has put another in its place.
const SessionIdentityApi& CurrentSessionIdentity();

// Puts a test's table in place for as long as the object lives.
class ScopedSessionIdentityOverride {
public:
    explicit ScopedSessionIdentityOverride(const SessionIdentityApi& api);
    ~ScopedSessionIdentityOverride();
    ScopedSessionIdentityOverride(const ScopedSessionIdentityOverride&) = delete;
    ScopedSessionIdentityOverride& operator=(const ScopedSessionIdentityOverride&) = delete;

private:
    const SessionIdentityApi* m_previous;
};

// The token of the user signed in to this process's own session, or null when nobody is
// signed in there or this process may not ask for it. The session is the process's own, not
// the console's: after a Remote Desktop reconnect the console has no user, or another one,
// while the window stands on the desktop of the session it was started in.
HANDLE QueryOwnSessionUserToken(const SessionIdentityApi& api);

// For as long as it lives, the calling thread acts as the user of the process's own session
// (QueryOwnSessionUserToken), where the process may; otherwise it stays as it was. The token is
// closed in any case, after the impersonation has ended.
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
