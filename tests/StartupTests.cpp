// Start-up: the command line, the run mode, the restart command line, the single-instance lock
// and the notification gate, with InitInstance run for real in this process.

#include "Probe.h"
#include "app/KeshUIApp.h"
#include "app/RunMode.h"
#include "app/SecondStart.h"
#include "app/UpdateSettings.h"
#include "app/WaitForTheUser.h"
#include "service/UpdateServiceContract.h"
#include "support/ComSecurityStandIn.h"
#include "support/SessionIdentityStandIn.h"
#include "support/UserStateStandIn.h"
#include "support/TestSupport.h"
#include "ui/WindowTexts.h"
#include "ui/res/resource.h"
#include "win32/NotificationState.h"
#include "win32/Token.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

using namespace kesh_test;

namespace {

// What the tests' user's own processes answer (tools/user_away/TestsUser.h); 0: nothing to ask.
void TheTestsUserState(int state)
{
    const std::wstring value = std::to_wstring(state);
    if (state == 0) ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\KeshTest", L"UserNotificationState");
    else ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\KeshTest", L"UserNotificationState", REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}


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

TEST(NotificationGate, NoShellOrNoAnswerMeansNoWaitAndANotNowThatLastsIsNotBelievedForever)
{
    UserStateStandIn user;
    UserWaitTiming timing;
    timing.askAgainMs = 20;
    timing.giveUpAfterMs = 300;
    ScopedHandle lock(::CreateMutexW(nullptr, FALSE, nullptr));
    const struct {
        const char* name;
        bool taskbar;
        HRESULT result;
        QUERY_USER_NOTIFICATION_STATE state;
        int quietHours;
        bool covered;
    } noWait[] = {
        { "nobody keeps the state", false, S_OK, QUNS_BUSY, 0, true },
        { "nobody answers", true, E_FAIL, QUNS_BUSY, 0, true },
        { "a Store app in front", true, S_OK, kQunsApp, 0, true },
        { "busy, but nothing in front covers its monitor", true, S_OK, QUNS_BUSY, 0, false },
        { "Do Not Disturb unreadable", true, S_OK, QUNS_ACCEPTS_NOTIFICATIONS, -1, true },
    };
    for (const auto& c : noWait) {
        user.taskbar = c.taskbar;
        user.notificationStateResult = c.result;
        user.notificationState = c.state;
        user.quietHours = c.quietHours;
        user.foregroundCoversItsMonitor = c.covered;
        EXPECT_FALSE(WaitUntilTheUserCanBeNotified(CurrentSessionIdentity(), nullptr, lock, timing).waited) << c.name;
        EXPECT_TRUE(lock) << "let go of the lock without waiting: " << c.name;
    }
    user.quietHours = 0;
    user.foregroundCoversItsMonitor = true;

    user.notificationState = QUNS_BUSY;
    user.stateQueries = user.stateQueriesAsTheUser = 0;
    const ULONGLONG start = ::GetTickCount64();
    const UserWait wait = WaitUntilTheUserCanBeNotified(CurrentSessionIdentity(), nullptr, lock, timing);
    EXPECT_TRUE(wait.waited);
    EXPECT_FALSE(lock) << "kept the machine's lock while waiting";
    EXPECT_GE(::GetTickCount64() - start, 300u);
    EXPECT_GT(user.stateQueries, 3) << "the state is asked again every few moments";
    EXPECT_EQ(0, user.stateQueriesAsTheUser) << "asked while impersonating: the answer of this process's user counts";

    // A night asleep (the awake clock stands still) uses none of the bound; a locked session
    // none either. Both wait on until a second start comes, after twice the bound.
    for (const auto state : { QUNS_BUSY, QUNS_NOT_PRESENT }) {
        user.notificationState = state;
        timing.awakeMs = state == QUNS_BUSY ? +[]() -> ULONGLONG { return 42; } : &AwakeMilliseconds;
        const ScopedHandle secondStart(::CreateWaitableTimerW(nullptr, TRUE, nullptr));
        const LARGE_INTEGER later = { { static_cast<DWORD>(-6000000), -1 } };  // 600 ms
        ASSERT_TRUE(::SetWaitableTimer(secondStart.get(), &later, 0, nullptr, nullptr, FALSE));
        EXPECT_TRUE(WaitUntilTheUserCanBeNotified(CurrentSessionIdentity(), secondStart.get(), lock, timing).secondStart)
            << "gave up on state " << state;
    }
}

TEST(NotificationGate, WhileTheUserIsBusyNothingShowsAndTheGateIsAskedAgainWhenTheyAreBack)
{
    const std::wstring first = L"http://example.com/first";
    const struct {
        const char* name;
        QUERY_USER_NOTIFICATION_STATE state;
        const wchar_t* value;   // changed while waiting (null: nothing changes)
        std::wstring changedTo;
        bool userStartsTheProgram;  // instead of the state changing
        bool window;
        std::wstring lastShown;  // afterwards
        int quietHours = 0;      // Do Not Disturb until the change
        bool asLocalSystem = false;     // the state is the user's process's (TestsUser.h)
        bool anotherInstance = false;   // takes the lock meanwhile and keeps it
    } cases[] = {
        { "slide show over, a newer answer meanwhile", QUNS_PRESENTATION_MODE, kServerResponseValueName,
          L"http://example.com/newer", false, true, L"http://example.com/newer" },
        { "back at the desk, another instance showed the answer meanwhile", QUNS_NOT_PRESENT,
          kLastShownResponseValueName, first, false, false, first },
        { "game over, nothing newer any more", QUNS_RUNNING_D3D_FULL_SCREEN, kServerResponseValueName, L"", false,
          false, L"<none>" },
        { "the user starts the program during quiet time", kQunsQuietTime, nullptr, L"", true, true, first },
        { "a full-screen film, Do Not Disturb (priority only) off", QUNS_BUSY, nullptr, L"", false, true, first, 1 },
        { "Do Not Disturb, alarms only, off", QUNS_ACCEPTS_NOTIFICATIONS, nullptr, L"", false, true, first, 2 },
        { "as LocalSystem, the user's presentation settings off", QUNS_PRESENTATION_MODE, nullptr, L"", false, true,
          first, 0, true },
        { "another instance runs when the user is back", QUNS_PRESENTATION_MODE, nullptr, L"", false, false, L"<none>",
          0, false, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsKeyGuard key;
        SetSettingString(kServerResponseValueName, first);
        SessionIdentityStandIn session;
        UserStateStandIn user;
        ComSecurityStandIn com;
        user.notificationState = c.state;
        user.quietHours = c.quietHours;
        session.localSystem = c.asLocalSystem;
        TheTestsUserState(c.asLocalSystem ? c.state : 0);
        ScopedHandle otherInstance;
        CKeshUIApp app;
        app.m_lpCmdLine = L"/NotifMode";
        bool cameForward = false;
        AlertRecorder alerts;
        ULONGLONG changedAt = 0;
        const ModalOutcome outcome = RunWithDriver(
            [&] { return app.InitInstance(); },
            [&](HWND window) {
                // Woken by the broadcast, not by the next question 5 s on.
                if (!c.userStartsTheProgram) {
                    EXPECT_LT(::GetTickCount64() - changedAt, 2500u);
                }
                EXPECT_FALSE(app.m_strRestartIdentifier.IsEmpty()) << "no restart registration once shown";
                // Asked for, it comes forward; announced, it leaves the keyboard where it was.
                cameForward = c.userStartsTheProgram
                                   ? probe::WaitUntil([&] { return ::GetForegroundWindow() == window; }, 10000)
                                   : ::GetForegroundWindow() == window;
                // Asked for, it has the focus, which is read: no alert besides.
                if (!c.userStartsTheProgram) {
                    EXPECT_TRUE(probe::WaitUntil([&] { return alerts.Count() > 0; }, 5000));
                }
                probe::ClickControl(window, IDC_CLOSE);
            },
            [&] {
                // The driver's own, which goes with its thread.
                const HWND other = ::CreateWindowExW(0, L"STATIC", L"a slide show", WS_POPUP | WS_VISIBLE, 0, 0, 200,
                                                     100, nullptr, nullptr, nullptr, nullptr);
                ASSERT_TRUE(probe::Activate(other));
                HWND listener = nullptr;
                ASSERT_TRUE(probe::WaitUntil([&] { return (listener = ::FindWindowW(L"KeshUI waits for the user", nullptr)); },
                                             10000));
                EXPECT_EQ(nullptr, probe::FindUpdateWindow(::GetCurrentProcessId())) << "shown while the user is busy";
                // Restarted by the restart manager now, it would come back as an interactive window.
                EXPECT_TRUE(app.m_strRestartIdentifier.IsEmpty()) << "registered for a restart while waiting";
                otherInstance.reset(::CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName));
                EXPECT_NE(static_cast<DWORD>(ERROR_ALREADY_EXISTS), ::GetLastError()) << "the lock kept while waiting";
                if (!c.anotherInstance) otherInstance.reset();
                if (c.value) SetSettingString(c.value, c.changedTo);
                if (c.userStartsTheProgram) {
                    CKeshUIApp second;
                    second.m_lpCmdLine = L"";
                    EXPECT_FALSE(second.InitInstance());
                } else {
                    // Presentation settings off, or the session unlocked: the shell tells top-level windows.
                    user.notificationState = QUNS_ACCEPTS_NOTIFICATIONS;
                    user.quietHours = 0;
                    TheTestsUserState(c.asLocalSystem ? QUNS_ACCEPTS_NOTIFICATIONS : 0);
                    changedAt = ::GetTickCount64();
                    ::SendMessageTimeoutW(listener, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L""), SMTO_BLOCK,
                                          10000, nullptr);
                }
            });
        EXPECT_EQ(c.window, outcome.driverFoundWindow);
        EXPECT_FALSE(outcome.closedByWatchdog);
        EXPECT_EQ(c.lastShown, LastShownResponse());
        EXPECT_EQ(c.userStartsTheProgram, cameForward) << "only the user's own start takes the keyboard";
        EXPECT_EQ(c.window && !c.userStartsTheProgram ? 1 : 0, alerts.Count()) << "alerts";
        if (c.asLocalSystem) {
            EXPECT_EQ(0, user.stateQueries) << "asked in the SYSTEM process";
            ASSERT_EQ(1u, session.created.size());
            EXPECT_NE(std::wstring::npos, session.created[0].application.find(L"\\KeshUIUserState.exe"));
            EXPECT_EQ(L"Winsta0\\default", session.created[0].desktop);
        }
    }
    TheTestsUserState(0);
}

TEST(SingleInstance, ASecondStartByTheUserBringsTheWindowForwardAndOneByTheServiceDoesNot)
{
    SettingsKeyGuard key;
    ForegroundRightRecorder rights;
    CKeshUIApp app;
    app.m_lpCmdLine = L"";  // no service: the window says so and waits for the user
    const ModalOutcome outcome = RunWithDriver([&] { return app.InitInstance(); }, [&](HWND window) {
        const HWND other = ::CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                             nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(probe::Activate(other));
        ::SendMessageW(window, WM_SECOND_START, 0, 0);
        EXPECT_EQ(other, ::GetForegroundWindow()) << "the message alone, which anyone may post, brought the window forward";
        for (LPCWSTR commandLine : { L"/NotifMode", L"/RestartByRestartManager:1" }) {
            CKeshUIApp second;
            second.m_lpCmdLine = commandLine;
            EXPECT_FALSE(second.InitInstance());
            EXPECT_EQ(1, probe::CountUpdateWindows());
        }
        EXPECT_EQ((std::vector<DWORD>{ ::GetCurrentProcessId() }), rights.Calls())
            << "the service's start handed on the foreground, or the user's did not";
        EXPECT_TRUE(probe::WaitUntil([&] { return ::GetForegroundWindow() == window; }, 10000));
        // Whoever may wait on the event, which resets itself, could take a second start's request.
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ::GetSecurityInfo(ScopedHandle(::OpenEventW(READ_CONTROL, FALSE, kSecondStartEventName)).get(), SE_KERNEL_OBJECT,
                          DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, &descriptor);
        ACCESS_ALLOWED_ACE* ace = nullptr;
        for (DWORD i = 0; dacl && i < dacl->AceCount && ::GetAce(dacl, i, reinterpret_cast<void**>(&ace)); ++i) {
            EXPECT_EQ(0u, ace->Mask & SYNCHRONIZE) << "someone else may wait on the event";
        }
        EXPECT_TRUE(dacl && dacl->AceCount == 2);
        ::LocalFree(descriptor);
        ::DestroyWindow(other);
        probe::ClickControl(window, IDC_CLOSE);
    });
    EXPECT_FALSE(outcome.closedByWatchdog);

    // Names that another program made first are not the program's: the second start hands that
    // program nothing and rings nothing.
    const ScopedHandle lock(::CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName));
    Process otherProgram = Start(BinPath(L"KeshProbe.exe"), L"hold");
    std::vector<BYTE> user = ProcessUserSid();
    const std::wstring ownedByTheUser = L"O:" + SidText(user.data());  // Wine's default owner is a group
    const struct {
        const char* name;
        std::wstring descriptor;
        DWORD named;
    } squatters[] = {
        { "the user's program, naming itself", ownedByTheUser + L"D:(A;;GA;;;WD)", otherProgram.id },
        { "a sandboxed program, naming this one", ownedByTheUser + L"D:(A;;GA;;;WD)S:(ML;;NW;;;LW)", ::GetCurrentProcessId() },
        { "another account's, naming this one", L"O:BGD:(A;;GA;;;WD)", ::GetCurrentProcessId() },
    };
    for (const auto& squatter : squatters) {
        SCOPED_TRACE(squatter.name);
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(squatter.descriptor.c_str(), SDDL_REVISION_1,
                                                                          &descriptor, nullptr));
        SECURITY_ATTRIBUTES made = { sizeof(made), descriptor, FALSE };
        const ScopedHandle names(::CreateFileMappingW(INVALID_HANDLE_VALUE, &made, PAGE_READWRITE, 0, 4, kRunningProgramName));
        const ScopedHandle event(::CreateEventW(&made, FALSE, FALSE, kSecondStartEventName));
        ::LocalFree(descriptor);
        *static_cast<DWORD*>(ScopedView(::MapViewOfFile(names.get(), FILE_MAP_WRITE, 0, 0, 4)).get()) = squatter.named;
        CKeshUIApp second;
        second.m_lpCmdLine = L"";
        EXPECT_FALSE(second.InitInstance());
        EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(event.get(), 0)) << "set the event";
    }
    EXPECT_EQ((std::vector<DWORD>{ ::GetCurrentProcessId() }), rights.Calls()) << "handed the foreground on";
}
