// Opening the page as the user of the program's session. Wine makes every console-session call
// succeed, so the failure rows of the clean-up table go through the seam; the handles the fakes
// hand out are real, so that "closed" is checked by the platform itself.

#include "session/LaunchUrlInUserSession.h"
#include "support/SessionIdentityStandIn.h"
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

// The program's own session is not the console's (a Remote Desktop reconnect); the process is
// recorded, not started.
struct FakeSession : SessionIdentityStandIn {
    static constexpr DWORD kOwnSession = 7;
    FakeSession()
    {
        ownSession = kOwnSession;
        processes = Processes::Recorded;
    }
};

std::wstring SystemExplorer()
{
    wchar_t windows[MAX_PATH] = {};
    ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    std::wstring path = windows;
    if (path.back() != L'\\') path += L'\\';
    return path + L"explorer.exe";
}

}  // namespace

TEST(LaunchInUserSession, NobodySignedInToTheSessionMeansFalseAndNothingCreated)
{
    FakeSession session;
    session.userSignedIn = false;
    EXPECT_FALSE(LaunchUrlInUserSession(L"http://example.com/"));
    EXPECT_EQ(nullptr, session.environment);
    EXPECT_EQ(0, session.environmentsDestroyed);
    EXPECT_TRUE(session.created.empty());
}

TEST(LaunchInUserSession, NoEnvironmentBlockMeansFalseWithTheTokenClosed)
{
    FakeSession session;
    session.environmentAvailable = false;
    EXPECT_FALSE(LaunchUrlInUserSession(L"http://example.com/"));
    ASSERT_NE(nullptr, session.token);
    EXPECT_FALSE(IsOpen(session.token));
    EXPECT_EQ(0, session.environmentsDestroyed);
    EXPECT_TRUE(session.created.empty());
}

TEST(LaunchInUserSession, ProcessNotCreatedMeansFalseWithTokenClosedAndBlockDestroyed)
{
    FakeSession session;
    session.processes = FakeSession::Processes::Refused;
    EXPECT_FALSE(LaunchUrlInUserSession(L"http://example.com/"));
    EXPECT_FALSE(IsOpen(session.token));
    EXPECT_EQ(1, session.environmentsDestroyed);
    EXPECT_EQ(session.environment, session.destroyedEnvironment);
    EXPECT_EQ(1u, session.created.size());
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
        EXPECT_TRUE(LaunchUrlInUserSession(address.c_str()));

        // The user of the program's own session, which the window stands in.
        EXPECT_EQ(::GetCurrentProcessId(), session.sessionAskedForProcess);
        EXPECT_EQ(FakeSession::kOwnSession, session.tokenAskedForSession);

        ASSERT_EQ(1u, session.created.size());
        const FakeSession::CreateCall& call = session.created[0];
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
