#pragma once
// The platform calls through which the program acts for the user at the console. They go through
// this table so that tests can produce what the test platform cannot (nobody signed in, an
// environment block that cannot be made, a process that cannot be started, a failed
// impersonation); the program itself always uses the platform's own functions.

#include <windows.h>

struct ConsoleSessionApi {
    DWORD(WINAPI* GetActiveConsoleSessionId)();
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
};

// The platform's functions.
const ConsoleSessionApi& PlatformConsoleSessionApi();

// The table in use: the platform's, unless a test has put another in its place.
const ConsoleSessionApi& CurrentConsoleSessionApi();

// Puts a test's table in place for as long as the object lives.
class ScopedConsoleSessionApiOverride {
public:
    explicit ScopedConsoleSessionApiOverride(const ConsoleSessionApi& api);
    ~ScopedConsoleSessionApiOverride();
    ScopedConsoleSessionApiOverride(const ScopedConsoleSessionApiOverride&) = delete;
    ScopedConsoleSessionApiOverride& operator=(const ScopedConsoleSessionApiOverride&) = delete;

private:
    const ConsoleSessionApi* m_previous;
};

// The console user's token, or null when nobody is signed in at the console or this process
// may not ask for it.
HANDLE QueryConsoleUserToken(const ConsoleSessionApi& api);
