// Start-up: the command line, the run mode, the restart command line, the single-instance lock
// and the notification gate, with InitInstance run for real in this process.

#include "Probe.h"
#include "app/KeshUIApp.h"
#include "app/RunMode.h"
#include "app/UpdateSettings.h"
#include "service/UpdateServiceContract.h"
#include "support/TestSupport.h"
#include "ui/WindowTexts.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

using namespace kesh_test;

namespace {

// Counts the dialogs this thread creates while it lives.
class DialogCreationCounter {
public:
    DialogCreationCounter()
        : m_hook(::SetWindowsHookExW(WH_CBT, &DialogCreationCounter::Hook, nullptr, ::GetCurrentThreadId()))
    {
        s_count = 0;
    }
    ~DialogCreationCounter() { ::UnhookWindowsHookEx(m_hook); }
    int Count() const { return s_count; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_CREATEWND) {
            const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
            if (create->lpcs->lpszClass == MAKEINTATOM(0x8002) ||
                (!IS_INTRESOURCE(create->lpcs->lpszClass) && lstrcmpW(create->lpcs->lpszClass, L"#32770") == 0)) {
                ++s_count;
            }
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK m_hook;
    static int s_count;
};
int DialogCreationCounter::s_count = 0;


}  // namespace

TEST(RestartRegistration, CommandLineAppendsTheSwitchAndAnIdentifierInTheGivenFormat)
{
    const GUID id = { 0x0123ABCD, 0xBEEF, 0xCAFE, { 0xDE, 0xAD, 0x01, 0x02, 0x0A, 0x0B, 0xF0, 0x0F } };
    const CString identifier = AfxFormatRestartIdentifier(id);
    EXPECT_EQ(std::wstring(L"0123ABCD-BEEF-cafe-DEAD-01020A0BF00F"), std::wstring(identifier));

    const CString restart = AfxRestartCommandLine(L"/NotifMode", identifier);
    EXPECT_EQ(std::wstring(L"/NotifMode /RestartByRestartManager:0123ABCD-BEEF-cafe-DEAD-01020A0BF00F"),
              std::wstring(restart));
    // A restarted notification run never sees the bare switch, so it comes back interactive.
    EXPECT_FALSE(IsNotifModeCommandLine(restart));
    EXPECT_EQ(std::wstring(L" /RestartByRestartManager:0123ABCD-BEEF-cafe-DEAD-01020A0BF00F"),
              std::wstring(AfxRestartCommandLine(L"", identifier)));
}

TEST(RestartRegistration, BaseInitInstanceMakesAFreshIdentifierOnlyWhenAsked)
{
    CKeshUIApp app;
    app.m_lpCmdLine = L"";
    EXPECT_TRUE(app.CWinApp::InitInstance());
    const std::wstring first(app.m_strRestartIdentifier);
    ASSERT_EQ(36u, first.size());
    EXPECT_EQ(L'-', first[8]);
    EXPECT_EQ(L'4', first[14]) << "a random (version 4) identifier";
    EXPECT_TRUE(app.CWinApp::InitInstance());
    EXPECT_NE(first, std::wstring(app.m_strRestartIdentifier));

    app.m_dwRestartManagerSupportFlags = 0;
    app.m_strRestartIdentifier.Empty();
    app.CWinApp::InitInstance();
    EXPECT_TRUE(app.m_strRestartIdentifier.IsEmpty());
}

TEST(SingleInstance, AnotherHolderOfTheLockEndsTheStartAtOnce)
{
    SettingsKeyGuard key;
    SetSettingString(kServerResponseValueName, L"http://new");
    const ScopedHandle otherInstance(::CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName));
    ASSERT_TRUE(otherInstance);

    for (LPCWSTR commandLine : { L"", L"/NotifMode" }) {
        DialogCreationCounter dialogs;
        CKeshUIApp app;
        app.m_lpCmdLine = commandLine;
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(0, dialogs.Count());
        EXPECT_FALSE(app.m_bNotifMode) << "mode was selected after the lock said no";
    }
    EXPECT_EQ(L"<none>", LastShownResponse());
}

TEST(SingleInstance, LockIsReleasedWhenTheRunEnds)
{
    SettingsKeyGuard key;
    CKeshUIApp app;
    app.m_lpCmdLine = L"/NotifMode";  // nothing stored: the gate ends the run before any window
    EXPECT_FALSE(app.InitInstance());
    const ScopedHandle lock(::CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName));
    ASSERT_TRUE(lock);
    EXPECT_NE(static_cast<DWORD>(ERROR_ALREADY_EXISTS), ::GetLastError());
}

TEST(NotificationGate, NothingNewMeansNoWindowAndNoRecord)
{
    const struct {
        const char* name;
        bool storeResponse;
        std::wstring response;
        bool storeLastShown;
        std::wstring lastShown;
    } cases[] = {
        { "no response stored", false, L"", false, L"" },
        { "empty response", true, L"", true, L"http://a" },
        { "blank response", true, L"  \t ", false, L"" },
        { "same as last shown", true, L"http://a/x", true, L"http://a/x" },
        { "same once trimmed", true, L"  http://a/x\r\n", true, L"http://a/x" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsKeyGuard key;
        if (c.storeResponse) SetSettingString(kServerResponseValueName, c.response);
        if (c.storeLastShown) SetSettingString(kLastShownResponseValueName, c.lastShown);
        const std::wstring before = LastShownResponse();

        DialogCreationCounter dialogs;
        CKeshUIApp app;
        app.m_lpCmdLine = L"/notifmode";
        EXPECT_FALSE(app.InitInstance());
        EXPECT_TRUE(app.m_bNotifMode);
        EXPECT_FALSE(app.m_bUpdateAvailable);
        EXPECT_EQ(0, dialogs.Count());
        EXPECT_EQ(before, LastShownResponse());
    }
}

TEST(NotificationGate, NewResponseIsShownAndRecordedWhenClosed)
{
    const struct {
        const char* name;
        std::wstring lastShown;  // empty: not stored
        bool lastShownIsDword;
        bool closeWithEscape;
    } cases[] = {
        { "never shown, close mark", L"", false, false },
        { "differs only in case, Escape", L"HTTP://EXAMPLE.COM/NEW", false, true },
        { "last shown unreadable, close mark", L"", true, false },
    };
    const std::wstring response = L"http://example.com/new";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsKeyGuard key;
        SetSettingString(kServerResponseValueName, L" " + response + L" ");
        if (!c.lastShown.empty()) SetSettingString(kLastShownResponseValueName, c.lastShown);
        if (c.lastShownIsDword) {
            const DWORD one = 1;
            SetSettingRaw(kLastShownResponseValueName, REG_DWORD, &one, sizeof(one));
        }

        CKeshUIApp app;
        app.m_lpCmdLine = L"/NotifMode";
        std::wstring statusWhileOpen;
        const ModalOutcome outcome = RunWithDriver([&] { return app.InitInstance(); }, [&](HWND window) {
            statusWhileOpen = probe::ControlText(window, IDC_STATUS);
            if (c.closeWithEscape) {
                ASSERT_TRUE(probe::Activate(window));
                probe::PressKey(VK_ESCAPE);
            } else {
                probe::ClickControl(window, IDC_CLOSE);
            }
        });
        EXPECT_TRUE(outcome.driverFoundWindow);
        EXPECT_FALSE(outcome.closedByWatchdog);
        EXPECT_FALSE(outcome.result);
        EXPECT_TRUE(app.m_bUpdateAvailable);
        EXPECT_EQ(response, std::wstring(app.m_strServerResponse));
        EXPECT_EQ(kStatusNewerPackage, statusWhileOpen);
        EXPECT_EQ(response, LastShownResponse());
        EXPECT_EQ(nullptr, app.m_pMainWnd);
    }
}

TEST(NotificationGate, InteractiveModeNeverRecordsEvenAfterShowingANewerPackage)
{
    SettingsKeyGuard key;
    ShellExecuteRecorder shell(false);
    ServiceDouble service({ L"http://example.com/newer" });
    CKeshUIApp app;
    app.m_lpCmdLine = L"";
    const ModalOutcome outcome = RunWithDriver([&] { return app.InitInstance(); }, [&](HWND window) {
        ASSERT_TRUE(probe::WaitForControlText(window, IDC_STATUS, kStatusNewerPackage, 10000));
        probe::ClickControl(window, IDC_STATUS);
    });
    EXPECT_FALSE(outcome.closedByWatchdog);
    EXPECT_FALSE(app.m_bNotifMode);
    EXPECT_EQ(1u, shell.Calls().size());
    EXPECT_EQ(L"<none>", LastShownResponse());
}
