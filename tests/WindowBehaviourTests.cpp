// The update window driven like a user drives it: keys, clicks on the close mark and on the
// status line, the link and what it opens, and the cursor.

#include "Probe.h"
#include "app/KeshUIApp.h"
#include "service/UpdateServiceContract.h"
#include "support/ComSecurityStandIn.h"
#include "support/SessionIdentityStandIn.h"
#include "support/TestSupport.h"
#include "ui/AccessibilityIds.h"
#include "ui/KeshUIDlg.h"
#include "ui/WindowTexts.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>
#include <oleacc.h>
#include <sddl.h>


using namespace kesh_test;

namespace {

void CloseWithEscape(HWND window)
{
    ASSERT_TRUE(probe::Activate(window));
    probe::PressKey(VK_ESCAPE);
}

std::wstring OwnUserSid()
{
    ScopedHandle token;
    BYTE buffer[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)] = {};
    DWORD bytes = sizeof(buffer);
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.receive()) ||
        !::GetTokenInformation(token.get(), TokenUser, buffer, bytes, &bytes)) {
        return std::wstring();
    }
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

// The role a screen reader finds for the status line.
LONG StatusRoleAsAScreenReaderSeesIt(HWND window)
{
    LONG role = 0;
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return role;
    IAccessible* status = nullptr;
    if (SUCCEEDED(::AccessibleObjectFromWindow(::GetDlgItem(window, IDC_STATUS), static_cast<DWORD>(OBJID_CLIENT),
                                               kIID_IAccessible, reinterpret_cast<void**>(&status)))) {
        VARIANT self, value;
        ::VariantInit(&self);
        ::VariantInit(&value);
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        if (SUCCEEDED(status->get_accRole(self, &value)) && value.vt == VT_I4) role = value.lVal;
        status->Release();
    }
    ::CoUninitialize();
    return role;
}

class WindowBehaviour : public testing::Test {
protected:
    // Interactive, with a service that has answered the given address.
    ModalOutcome RunInteractiveWithAnswer(const std::wstring& answer, const std::function<void(HWND)>& driver)
    {
        m_app.m_bNotifMode = false;
        m_app.m_bUpdateAvailable = false;
        m_app.m_strServerResponse.Empty();
        ServiceDouble service({ answer });
        CKeshUIDlg dialog;
        m_app.m_pMainWnd = &dialog;
        return RunDialog(dialog, [&](HWND window) {
            ASSERT_TRUE(probe::WaitForControlText(window, IDC_STATUS,
                                                  answer.empty() ? kStatusLatestVersion : kStatusNewerPackage, 5000));
            driver(window);
        });
    }

    ModalOutcome RunNotification(const std::wstring& response, const std::function<void(HWND)>& driver)
    {
        m_app.m_bNotifMode = true;
        m_app.m_bUpdateAvailable = true;
        m_app.m_strServerResponse = response.c_str();
        CKeshUIDlg dialog;
        m_app.m_pMainWnd = &dialog;
        return RunDialog(dialog, driver);
    }

    SettingsKeyGuard m_key;
    CKeshUIApp m_app;
};

}  // namespace

TEST_F(WindowBehaviour, EnterIsSwallowedAndEscapeCancelsInBothModes)
{
    for (bool notif : { false, true }) {
        SCOPED_TRACE(notif ? "notification" : "interactive");
        m_app.m_bNotifMode = notif;
        m_app.m_bUpdateAvailable = notif;
        m_app.m_strServerResponse = notif ? L"http://x" : L"";
        CKeshUIDlg dialog;
        const ModalOutcome outcome = RunDialog(dialog, [&](HWND window) {
            ASSERT_TRUE(probe::Activate(window));
            probe::PressKey(VK_RETURN);
            probe::PressKey(VK_RETURN);
            probe::PressKey(VK_ESCAPE);
        });
        // Had Enter ended the window, the result would be IDOK.
        EXPECT_EQ(IDCANCEL, outcome.result);
    }
}

TEST_F(WindowBehaviour, CloseMarkCancelsInEveryState)
{
    for (const std::wstring& answer : { std::wstring(), std::wstring(L"http://example.com/p") }) {
        ShellExecuteRecorder shell(false);
        const ModalOutcome outcome =
            RunInteractiveWithAnswer(answer, [](HWND window) { probe::ClickControl(window, IDC_CLOSE); });
        EXPECT_EQ(IDCANCEL, outcome.result);
        EXPECT_TRUE(shell.Calls().empty());
    }
}

TEST_F(WindowBehaviour, StatusLineIsNoLinkUntilAnUpdateIsKnown)
{
    // No service: the no-connection text is not a link.
    ShellExecuteRecorder shell(false);
    CKeshUIDlg dialog;
    const ModalOutcome outcome = RunDialog(dialog, [&](HWND window) {
        probe::ClickControl(window, IDC_STATUS);
        probe::ClickControl(window, IDC_STATUS);
        EXPECT_TRUE(::IsWindowVisible(window));
        CloseWithEscape(window);
    });
    EXPECT_EQ(IDCANCEL, outcome.result);
    EXPECT_TRUE(shell.Calls().empty());
}

TEST_F(WindowBehaviour, ClickWhileCheckingLeavesTheCheckRunning)
{
    ServiceDouble service({ L"", true, false });
    CKeshUIDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        ASSERT_TRUE(service.WaitForRequest(5000));
        probe::ClickControl(window, IDC_STATUS);
        // The waiter still runs: an answer now still reaches the window.
        service.SetResponseNow();
        EXPECT_TRUE(probe::WaitForControlText(window, IDC_STATUS, kStatusLatestVersion, 5000));
        CloseWithEscape(window);
    });
}

TEST_F(WindowBehaviour, InteractiveLinkOpensThePageThroughTheShellOnly)
{
    SessionIdentityStandIn session;
    session.userSignedIn = false;
    ShellExecuteRecorder shell;
    UrlCapture capture;
    const std::wstring address = L"https://example.com/update-page?id=1&x=%20";
    const ModalOutcome outcome =
        RunInteractiveWithAnswer(address, [](HWND window) { probe::ClickControl(window, IDC_STATUS); });
    EXPECT_EQ(IDOK, outcome.result);
    ASSERT_EQ(1u, shell.Calls().size());
    const auto call = shell.Calls()[0];
    EXPECT_EQ(nullptr, call.owner);
    EXPECT_TRUE(call.verbNull);
    EXPECT_EQ(address, call.file);
    EXPECT_TRUE(call.parametersNull);
    EXPECT_TRUE(call.directoryNull);
    EXPECT_EQ(SW_SHOW, call.show);
    EXPECT_EQ(0, session.tokenQueries) << "interactive mode must not launch as the console user";
    ASSERT_TRUE(capture.WaitForCapture(10000));
    ASSERT_EQ(1u, capture.Entries().size());
    EXPECT_EQ(address, capture.Entries()[0].address);
}

TEST_F(WindowBehaviour, FailedShellOpenStillEndsWithOk)
{
    ShellExecuteRecorder shell(false);  // answers "no association" without opening anything
    const ModalOutcome outcome = RunInteractiveWithAnswer(
        L"http://example.com/x", [](HWND window) { probe::ClickControl(window, IDC_STATUS); });
    EXPECT_EQ(IDOK, outcome.result);
    EXPECT_EQ(1u, shell.Calls().size());
}

TEST_F(WindowBehaviour, HandCursorOverTheCloseMarkAlwaysAndOverTheStatusOnlyAsALink)
{
    auto checkCursors = [](const char* which, HWND window, bool statusIsLink) {
        SCOPED_TRACE(which);
        const HCURSOR hand = probe::SystemCursor(IDC_HAND);
        const HCURSOR arrow = probe::SystemCursor(IDC_ARROW);
        const POINT closeMark = probe::CentreOf(probe::ControlScreenRect(window, IDC_CLOSE));
        const POINT status = probe::CentreOf(probe::ControlScreenRect(window, IDC_STATUS));
        const POINT title = probe::CentreOf(probe::ControlScreenRect(window, IDC_TITLE));
        const RECT outer = probe::WindowRect(window);
        const POINT emptyArea = { outer.left + 3, outer.bottom - 3 };
        // The cursor reported is the foreground thread's.
        ASSERT_TRUE(probe::Activate(window));
        // Alternate between cursors so that each wait sees the window's answer to the move.
        EXPECT_TRUE(probe::WaitForCursorAt(closeMark, hand));
        EXPECT_TRUE(probe::WaitForCursorAt(title, arrow));
        EXPECT_TRUE(probe::WaitForCursorAt(closeMark, hand));
        EXPECT_TRUE(probe::WaitForCursorAt(emptyArea, arrow));
        EXPECT_TRUE(probe::WaitForCursorAt(status, statusIsLink ? hand : arrow));
        EXPECT_TRUE(probe::WaitForCursorAt(title, arrow));
        EXPECT_TRUE(probe::WaitForCursorAt(status, statusIsLink ? hand : arrow));
    };
    {
        CKeshUIDlg noConnection;
        RunDialog(noConnection, [&](HWND window) {
            checkCursors("no connection", window, false);
            probe::ClickControl(window, IDC_CLOSE);
        });
    }
    RunInteractiveWithAnswer(L"http://example.com/x", [&](HWND window) {
        checkCursors("interactive with an update", window, true);
        probe::ClickControl(window, IDC_CLOSE);
    });
    RunNotification(L"http://example.com/x", [&](HWND window) {
        checkCursors("notification", window, true);
        probe::ClickControl(window, IDC_CLOSE);
    });
}

TEST_F(WindowBehaviour, AsLocalSystemTheLinkOpensOnlyAsTheSessionsUserInEitherMode)
{
    const struct {
        const char* name;
        bool localSystem, notif, userSignedIn;
        const wchar_t* opened;  // how the page reached the handler; null: not at all
    } cases[] = {
        { "LocalSystem, notification, nobody signed in", true, true, false, nullptr },
        { "LocalSystem, notification, user signed in", true, true, true, L"fresh" },
        { "LocalSystem, interactive, user signed in", true, false, true, L"fresh" },
        { "LocalSystem, interactive, nobody signed in", true, false, false, nullptr },
        { "another account, notification, nobody signed in", false, true, false, L"inherited" },
    };
    const std::wstring address = L"https://example.com/pkg?v=2";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionIdentityStandIn session;
        ComSecurityStandIn com;
        session.localSystem = c.localSystem;
        session.userSignedIn = c.userSignedIn;
        ShellExecuteRecorder shell;
        UrlCapture capture;
        const ModalOutcome outcome =
            c.notif ? RunNotification(address, [](HWND window) { probe::ClickControl(window, IDC_STATUS); })
                    : RunInteractiveWithAnswer(address, [](HWND window) { probe::ClickControl(window, IDC_STATUS); });
        EXPECT_EQ(IDOK, outcome.result);
        EXPECT_EQ(c.localSystem ? 0u : 1u, shell.Calls().size()) << "the shell runs as whoever the program is";
        if (c.opened) {
            ASSERT_TRUE(capture.WaitForCapture(10000));
            ASSERT_EQ(1u, capture.Entries().size());
            EXPECT_EQ(address, capture.Entries()[0].address);
            EXPECT_EQ(c.opened, capture.Entries()[0].environment);
        } else {
            EXPECT_TRUE(capture.Entries().empty());
        }
    }
}

TEST_F(WindowBehaviour, AsLocalSystemANotificationWhosePageCannotOpenIsStillRecordedAsShown)
{
    SessionIdentityStandIn session;
    ComSecurityStandIn com;
    session.localSystem = true;
    session.userSignedIn = false;
    ShellExecuteRecorder shell;
    const std::wstring address = L"https://example.com/pkg?v=3";
    SetSettingString(kServerResponseValueName, address);
    CKeshUIApp app;
    app.m_lpCmdLine = L"/NotifMode";
    const ModalOutcome outcome = RunWithDriver([&] { return app.InitInstance(); },
                                               [](HWND window) { probe::ClickControl(window, IDC_STATUS); });
    EXPECT_TRUE(outcome.driverFoundWindow);
    EXPECT_FALSE(outcome.closedByWatchdog) << "the link did not end the window";
    EXPECT_TRUE(shell.Calls().empty());
    EXPECT_EQ(address, LastShownResponse());
}

TEST_F(WindowBehaviour, AsLocalSystemScreenReadersGetTheWindowsOwnObjectsOnlyUnderACallerRuleForTheSessionsUser)
{
    const std::wstring user = OwnUserSid();  // Wine hands out the caller's own token as the session's
    ASSERT_FALSE(user.empty());
    // Owner and group SYSTEM; COM's execute rights (CC: any, DC: local) for the user and SYSTEM
    // only; callers below medium integrity (S-1-16-8192) refused (4: no execute up). Outgoing
    // calls at identify level (2), with neither activate-as-activator nor custom unmarshalling
    // (0x1000 | 0x2000).
    const std::wstring label = L"S:(ML;;4;;;S-1-16-8192)";
    const std::wstring both = L"O:SYG:SYD:(A;;CCDC;;;" + user + L")(A;;CCDC;;;SY)" + label;
    const std::wstring arguments = L"services=-1 authentication=0 impersonation=2 capabilities=0x3000";
    const struct {
        const char* name;
        bool localSystem, userSignedIn;
        HRESULT securitySet;
        std::wstring descriptor;  // empty: no security set
        bool ownObjects;
    } cases[] = {
        { "LocalSystem, user signed in", true, true, S_OK, both, true },
        { "LocalSystem, nobody signed in", true, false, S_OK, L"O:SYG:SYD:(A;;CCDC;;;SY)" + label, false },
        { "LocalSystem, COM security set before", true, true, RPC_E_TOO_LATE, both, false },
        { "another account", false, true, S_OK, L"", true },
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionIdentityStandIn session;
        ComSecurityStandIn com;
        session.localSystem = c.localSystem;
        session.userSignedIn = c.userSignedIn;
        com.comSecurityResult = c.securitySet;
        SetSettingString(kServerResponseValueName, L"https://example.com/pkg?v=" + std::to_wstring(++round));
        m_app.m_lpCmdLine = L"/NotifMode";
        LONG role = 0;
        AlertRecorder alerts;
        AlertObject alert;
        const ModalOutcome outcome = RunWithDriver([&] { return m_app.InitInstance(); }, [&](HWND window) {
            role = StatusRoleAsAScreenReaderSeesIt(window);
            EXPECT_TRUE(probe::WaitUntil([&] { return alerts.Count() > 0; }, 5000)) << "no alert";
            alert = alerts.ReadLast();
            probe::ClickControl(window, IDC_CLOSE);
        });
        EXPECT_EQ(1, alerts.Count());
        EXPECT_EQ(c.ownObjects, alert.role == ROLE_SYSTEM_ALERT) << "the alert's own object, or the platform's";
        EXPECT_EQ(kStatusNewerPackage, alert.name);
        ASSERT_TRUE(outcome.driverFoundWindow);
        EXPECT_EQ(c.descriptor.empty() ? 0 : 1, com.comSecurityCalls);
        if (!c.descriptor.empty()) {
            EXPECT_EQ(c.descriptor, com.comSecurityDescriptor) << "who may call in";
            EXPECT_EQ(arguments, com.comSecurityArguments) << "what the process's own calls allow";
            EXPECT_FALSE(com.updateWindowExistedAtComSecurity)
                << "set once the window existed: anything could have marshalled by then";
        }
        EXPECT_EQ(c.ownObjects, role == ROLE_SYSTEM_LINK) << "role " << role;
        EXPECT_NE(0, role) << "the reader found nothing at all";
    }
}

TEST_F(WindowBehaviour, AnOutcomeThatArrivesWhileTheUserIsElsewhereFlashesTheTaskbarButton)
{
    for (const bool userAway : { false, true }) {
        SCOPED_TRACE(userAway ? "user elsewhere" : "user watching");
        FlashRecorder flashes;
        ServiceDouble service({ L"", true, false });  // sees the request, answers when told
        CKeshUIDlg dialog;
        m_app.m_pMainWnd = &dialog;
        HWND shown = nullptr;
        RunDialog(dialog, [&](HWND window) {
            shown = window;
            ASSERT_TRUE(service.WaitForRequest(5000));
            const HWND other = ::CreateWindowExW(0, L"STATIC", L"elsewhere", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                                 nullptr, nullptr, nullptr, nullptr);
            ASSERT_TRUE(probe::Activate(userAway ? other : window));
            service.SetResponseNow();
            EXPECT_TRUE(probe::WaitForControlText(window, IDC_STATUS, kStatusLatestVersion, 5000));
            ::DestroyWindow(other);
            CloseWithEscape(window);
        });
        const std::vector<FLASHWINFO> calls = flashes.Calls();
        ASSERT_EQ(userAway ? 1u : 0u, calls.size());
        if (userAway) {
            EXPECT_EQ(shown, calls[0].hwnd);
            EXPECT_EQ(static_cast<DWORD>(FLASHW_TRAY | FLASHW_TIMERNOFG), calls[0].dwFlags);
            EXPECT_EQ(0u, calls[0].uCount) << "until the user comes back";
        }
    }
}

TEST_F(WindowBehaviour, TheFocusRectangleFollowsTheWindowsUiStateForFocusCues)
{
    // Wine keeps no UI state (WM_QUERYUISTATE answers 0): the close mark is made to answer what
    // Windows answers once a mouse user has hidden the cues.
    static WNDPROC s_closeMarkProc = nullptr;
    CKeshUIDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        const HWND closeMark = ::GetDlgItem(window, IDC_CLOSE);
        ASSERT_TRUE(probe::Activate(window));
        probe::PressKey(VK_TAB);
        ASSERT_TRUE(probe::WaitUntil([&] { return probe::FocusRectangleShown(closeMark); }, 5000));
        s_closeMarkProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
            closeMark, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND control, UINT message, WPARAM wParam,
                                                                       LPARAM lParam) -> LRESULT {
                if (message == WM_QUERYUISTATE) return UISF_HIDEFOCUS;
                return ::CallWindowProcW(s_closeMarkProc, control, message, wParam, lParam);
            })));
        ::InvalidateRect(closeMark, nullptr, TRUE);
        EXPECT_TRUE(probe::WaitUntil([&] { return !probe::FocusRectangleShown(closeMark); }, 5000))
            << "the focus rectangle shows although focus cues are hidden";
        EXPECT_EQ(closeMark, probe::FocusIn(window));
        ::SetWindowLongPtrW(closeMark, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s_closeMarkProc));
        CloseWithEscape(window);
    });
}
