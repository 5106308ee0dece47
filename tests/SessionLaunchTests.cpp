// Opening the page as the user of the program's session. Wine makes every console-session call
// succeed, so the failure rows of the clean-up table go through the seam; the handles the fakes
// hand out are real, so that "closed" is checked by the platform itself.

#include "session/ConsoleSessionApi.h"
#include "session/LaunchUrlInUserSession.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kesh_test;

namespace {

bool IsOpen(HANDLE handle)
{
    DWORD flags = 0;
    return ::GetHandleInformation(handle, &flags) != FALSE;
}

// Records what LaunchUrlInUserSession asks of the platform; each step can be made to fail.
struct FakeSession {
    bool tokenAvailable = true;
    bool environmentAvailable = true;
    bool processStarts = true;

    static constexpr DWORD kOwnSession = 7;
    DWORD sessionAskedForProcess = 0;
    ULONG tokenAskedForSession = 0;
    HANDLE token = nullptr;
    LPVOID environment = nullptr;
    int environmentsDestroyed = 0;
    LPVOID destroyedEnvironment = nullptr;
    int processesCreated = 0;
    HANDLE processHandle = nullptr;
    HANDLE threadHandle = nullptr;

    struct CreateCall {
        HANDLE token;
        std::wstring application;
        bool applicationNull;
        std::wstring commandLine;
        bool processAttributesNull, threadAttributesNull;
        BOOL inherit;
        DWORD flags;
        LPVOID environment;
        bool currentDirectoryNull;
        DWORD startupSize, startupFlags;
        std::wstring desktop;
    } call = {};

    static FakeSession* s_current;
    ConsoleSessionApi api = {};

    FakeSession()
    {
        s_current = this;
        api = PlatformConsoleSessionApi();
        // The program's own session is not the console's (a Remote Desktop reconnect).
        api.ProcessIdToSessionId = [](DWORD processId, DWORD* session) -> BOOL {
            s_current->sessionAskedForProcess = processId;
            *session = kOwnSession;
            return TRUE;
        };
        api.QueryUserToken = [](ULONG session, PHANDLE token) -> BOOL {
            s_current->tokenAskedForSession = session;
            if (!s_current->tokenAvailable) return FALSE;
            ::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, token);
            s_current->token = *token;
            return TRUE;
        };
        api.CreateEnvironmentBlock = [](LPVOID* environment, HANDLE, BOOL) -> BOOL {
            if (!s_current->environmentAvailable) return FALSE;
            *environment = ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, 64);
            s_current->environment = *environment;
            return TRUE;
        };
        api.DestroyEnvironmentBlock = [](LPVOID environment) -> BOOL {
            ++s_current->environmentsDestroyed;
            s_current->destroyedEnvironment = environment;
            return ::HeapFree(::GetProcessHeap(), 0, environment);
        };
        api.CreateProcessAsUser = [](HANDLE token, LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES pa,
                                     LPSECURITY_ATTRIBUTES ta, BOOL inherit, DWORD flags, LPVOID environment,
                                     LPCWSTR directory, LPSTARTUPINFOW startup,
                                     LPPROCESS_INFORMATION info) -> BOOL {
            FakeSession& self = *s_current;
            ++self.processesCreated;
            const size_t length = wcslen(commandLine);
            commandLine[length] = L'\0';  // the platform may write into the buffer: it must be ours
            self.call = { token, application ? application : L"", application == nullptr, commandLine,
                          pa == nullptr, ta == nullptr, inherit, flags, environment, directory == nullptr,
                          startup->cb, startup->dwFlags, startup->lpDesktop ? startup->lpDesktop : L"" };
            if (!self.processStarts) return FALSE;
            info->hProcess = self.processHandle = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
            info->hThread = self.threadHandle = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
            return TRUE;
        };
    }
    ~FakeSession() { s_current = nullptr; }
};
FakeSession* FakeSession::s_current = nullptr;

std::wstring SystemExplorer()
{
    wchar_t windows[MAX_PATH] = {};
    ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    std::wstring path = windows;
    if (path.back() != L'\\') path += L'\\';
    return path + L"explorer.exe";
}

}  // namespace

TEST(LaunchInUserSession, NobodyAtTheConsoleMeansFalseAndNothingCreated)
{
    FakeSession session;
    session.tokenAvailable = false;
    ScopedConsoleSessionApiOverride use(session.api);
    EXPECT_FALSE(LaunchUrlInUserSession(L"http://example.com/"));
    EXPECT_EQ(nullptr, session.environment);
    EXPECT_EQ(0, session.environmentsDestroyed);
    EXPECT_EQ(0, session.processesCreated);
}

TEST(LaunchInUserSession, NoEnvironmentBlockMeansFalseWithTheTokenClosed)
{
    FakeSession session;
    session.environmentAvailable = false;
    ScopedConsoleSessionApiOverride use(session.api);
    EXPECT_FALSE(LaunchUrlInUserSession(L"http://example.com/"));
    ASSERT_NE(nullptr, session.token);
    EXPECT_FALSE(IsOpen(session.token));
    EXPECT_EQ(0, session.environmentsDestroyed);
    EXPECT_EQ(0, session.processesCreated);
}

TEST(LaunchInUserSession, ProcessNotCreatedMeansFalseWithTokenClosedAndBlockDestroyed)
{
    FakeSession session;
    session.processStarts = false;
    ScopedConsoleSessionApiOverride use(session.api);
    EXPECT_FALSE(LaunchUrlInUserSession(L"http://example.com/"));
    EXPECT_FALSE(IsOpen(session.token));
    EXPECT_EQ(1, session.environmentsDestroyed);
    EXPECT_EQ(session.environment, session.destroyedEnvironment);
    EXPECT_EQ(1, session.processesCreated);
}

TEST(LaunchInUserSession, StartsSystemExplorerWithTheQuotedAddressOnTheUsersDesktop)
{
    const std::wstring addresses[] = {
        L"http://example.com/update",
        L"https://example.com/a page with blanks/?q=x y",
        L"https://example.com/\u00fcber/\u6587\u4ef6",
        L"https://example.com/long?" + std::wstring(3000, L'x'),  // longer than 1024: passed whole
    };
    for (const std::wstring& address : addresses) {
        SCOPED_TRACE(address.size());
        FakeSession session;
        ScopedConsoleSessionApiOverride use(session.api);
        EXPECT_TRUE(LaunchUrlInUserSession(address.c_str()));

        // The user of the program's own session, which the window stands in.
        EXPECT_EQ(::GetCurrentProcessId(), session.sessionAskedForProcess);
        EXPECT_EQ(FakeSession::kOwnSession, session.tokenAskedForSession);

        const FakeSession::CreateCall& call = session.call;
        EXPECT_EQ(session.token, call.token);
        EXPECT_FALSE(call.applicationNull);
        EXPECT_EQ(0, lstrcmpiW(SystemExplorer().c_str(), call.application.c_str())) << call.application;
        EXPECT_EQ(L"explorer.exe \"" + address + L"\"", call.commandLine);
        EXPECT_TRUE(call.processAttributesNull);
        EXPECT_TRUE(call.threadAttributesNull);
        EXPECT_FALSE(call.inherit);
        EXPECT_EQ(0x430u, call.flags);
        EXPECT_EQ(session.environment, call.environment);
        EXPECT_TRUE(call.currentDirectoryNull);
        EXPECT_EQ(sizeof(STARTUPINFOW), call.startupSize);
        EXPECT_EQ(0u, call.startupFlags);
        EXPECT_EQ(L"Winsta0\\default", call.desktop);

        // Everything obtained is released before the call returns.
        EXPECT_FALSE(IsOpen(session.processHandle));
        EXPECT_FALSE(IsOpen(session.threadHandle));
        EXPECT_FALSE(IsOpen(session.token));
        EXPECT_EQ(1, session.environmentsDestroyed);
        EXPECT_EQ(session.environment, session.destroyedEnvironment);
    }
}

TEST(LaunchInUserSession, RealLaunchReachesTheHandlerWithTheUsersFreshEnvironment)
{
    UrlCapture capture;  // also marks this process's environment
    const std::wstring address = L"https://example.com/with blanks/and \u00e9?x=1";
    ASSERT_TRUE(LaunchUrlInUserSession(address.c_str()));
    ASSERT_TRUE(capture.WaitForCapture(10000));
    ASSERT_EQ(1u, capture.Entries().size());
    EXPECT_EQ(address, capture.Entries()[0].address);
    EXPECT_EQ(L"fresh", capture.Entries()[0].environment) << "the block must not inherit this process's variables";
}
