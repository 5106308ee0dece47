#include "ui/KeshUIDlg.h"

#include "app/KeshUIApp.h"
#include "app/SecondStart.h"
#include "session/SessionIdentity.h"
#include "session/LaunchUrlInUserSession.h"
#include "session/NotifWrapper.h"
#include "ui/AccessibilityIds.h"
#include "ui/WebAddress.h"
#include "ui/WindowTexts.h"
#include "ui/res/resource.h"
#include "win32/Foreground.h"
#include "win32/Gdi.h"

#include <commctrl.h>
#include <shellapi.h>

#include <utility>

BEGIN_MESSAGE_MAP(CKeshUIDlg, CDialogEx)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_NCHITTEST()
    ON_WM_CTLCOLOR()
    ON_WM_SETCURSOR()
    ON_STN_CLICKED(IDC_CLOSE, &CKeshUIDlg::OnCloseClicked)
    ON_STN_CLICKED(IDC_STATUS, &CKeshUIDlg::OnStatusClicked)
    ON_MESSAGE(WM_SERVER_RESPONSE, &CKeshUIDlg::OnServerResponse)
    ON_MESSAGE(WM_WINDOWPOSCHANGING, &CKeshUIDlg::OnWindowPosChanging)
    ON_MESSAGE(WM_WINDOWPOSCHANGED, &CKeshUIDlg::OnWindowPosChanged)
    ON_MESSAGE(WM_SYSCOLORCHANGE, &CKeshUIDlg::OnColoursChanged)
    ON_MESSAGE(WM_THEMECHANGED, &CKeshUIDlg::OnColoursChanged)
    ON_MESSAGE(WM_SETTINGCHANGE, &CKeshUIDlg::OnSettingChange)
    ON_MESSAGE(WM_SECOND_START, &CKeshUIDlg::OnSecondStart)
END_MESSAGE_MAP()

CKeshUIDlg::CKeshUIDlg(DWORD responseTimeoutMs)
    : CDialogEx(IDD_UPDATE_DIALOG),
      m_hIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_dwResponseTimeoutMs(responseTimeoutMs)
{
}

CKeshUIDlg::~CKeshUIDlg()
{
    // Both close paths have stopped the waiter already; this only matters when the modal run
    // ended some other way, so that no thread outlives the handles it waits on.
    StopResponseWaiter();
}

BOOL CKeshUIDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();

    // No caption bar shows it: the text names the window on its taskbar button and in Alt+Tab.
    SetWindowText(kWindowTitle);
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    CreateTitleFont();
    GetDlgItem(IDC_TITLE).SetWindowText(kWindowTitle);
    SubclassControls();
    FollowContrastTheme();
    if (m_pSecondStarts) LetThroughFromBelow(m_hWnd, WM_SECOND_START);

    const CKeshUIApp& app = KeshUIApp();
    if (!app.m_bNotifMode) {
        TakeAwayTopmost();
        StartUpdateCheck();
    } else {
        m_keyboardGuard.Begin(m_hWnd);
        SetStatusText(kStatusNewerPackage);
        MoveToWorkAreaCorner();
        m_pNotifier = std::make_unique<CNotifWrapper>();
        m_pNotifier->ShowToast();
    }
    return TRUE;
}

void CKeshUIDlg::OnOK()
{
    // Enter: the window has no button to press, so it stays.
}

void CKeshUIDlg::OnCancel()
{
    StopResponseWaiter();
    m_pNotifier.reset();
    EndDialog(IDCANCEL);
}

void CKeshUIDlg::OnCloseClicked()
{
    OnCancel();
}

void CKeshUIDlg::OnStatusClicked()
{
    const CKeshUIApp& app = KeshUIApp();
    if (!StatusLineIsLink()) return;  // not a link (yet): a running check goes on

    StopResponseWaiter();

    // The address comes from a server through the service: only a web address is handed on,
    // since opening an arbitrary string could start a program or a remote file. Anything else
    // opens nothing, exactly like a failed open, and the window still ends with IDOK.
    const CString& address = app.m_strServerResponse;
    if (IsOpenableWebAddress(address)) OpenUpdatePage(address, app.m_bNotifMode);

    m_pNotifier.reset();
    EndDialog(IDOK);
}

void CKeshUIDlg::OpenUpdatePage(LPCWSTR address, bool notifMode)
{
    // As LocalSystem nothing is opened in this process's own context: the shell would run the
    // user's browser, or the "Open with" picker, as SYSTEM on the user's desktop, and its file
    // dialogs lead to a SYSTEM command prompt. Then the page opens as the session's user or not
    // at all, in either mode.
    const bool asLocalSystem = CurrentSessionIdentity().ProcessIsLocalSystem();
    if ((notifMode || asLocalSystem) && LaunchUrlInUserSession(address)) return;
    if (!asLocalSystem) ::ShellExecuteW(nullptr, nullptr, address, nullptr, nullptr, SW_SHOW);
}

BOOL CKeshUIDlg::OnSetCursor(HWND hWndUnder, UINT nHitTest, UINT message)
{
    const bool overCloseMark = hWndUnder == GetDlgItem(IDC_CLOSE).m_hWnd;
    if (overCloseMark || IsLink(hWndUnder)) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    return CDialogEx::OnSetCursor(hWndUnder, nHitTest, message);
}

bool CKeshUIDlg::StatusLineIsLink()
{
    return KeshUIApp().m_bUpdateAvailable;
}

// cppcheck-suppress constParameter ; a window handle, compared only
bool CKeshUIDlg::IsLink(HWND control) const
{
    return control == GetDlgItem(IDC_STATUS).m_hWnd && StatusLineIsLink();
}

void CKeshUIDlg::SetStatusText(LPCWSTR text)
{
    GetDlgItem(IDC_STATUS).SetWindowText(text);
    AnnounceStatusChange();
}

LRESULT CKeshUIDlg::OnSecondStart(WPARAM, LPARAM)
{
    // The user started the program again: they want this window, now and with the keyboard. The
    // message alone may come from anyone in the session; the event only from that user.
    if (std::exchange(m_bSecondStartPending, false) || (m_pSecondStarts && m_pSecondStarts->Arrived())) {
        BringWindowToFront(m_hWnd);
    }
    return 0;
}

void CKeshUIDlg::CallUserBackIfAway()
{
    if (::GetForegroundWindow() == m_hWnd) return;
    FLASHWINFO flash = { sizeof(flash), m_hWnd, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0 };
    ::FlashWindowEx(&flash);
}

void CKeshUIDlg::SubclassControls()
{
    const HWND icon = ::GetWindow(m_hWnd, GW_CHILD);  // the template's first control, without an id
    for (const HWND control : { GetDlgItem(IDC_STATUS).m_hWnd, GetDlgItem(IDC_CLOSE).m_hWnd, icon }) {
        ::SetWindowSubclass(control, &CKeshUIDlg::ControlProc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
}

LRESULT CALLBACK CKeshUIDlg::ControlProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR subclassId,
                                         DWORD_PTR refData)
{
    auto* dialog = reinterpret_cast<CKeshUIDlg*>(refData);
    switch (message) {
    case WM_GETOBJECT: {
        const LONG objectId = static_cast<LONG>(lParam);
        if (objectId == OBJID_CLIENT || (objectId == kAlertObjectId && ::GetDlgCtrlID(hWnd) == IDC_STATUS)) {
            const LRESULT object = dialog->AnswerGetObject(hWnd, wParam, objectId);
            if (object) return object;
        }
        break;
    }
    case WM_PAINT:
        if (wParam == 0 && dialog->IsFocusable(hWnd)) {
            // The focus cue goes over exactly what the control paints now.
            const ScopedGdiObject<HRGN> painted(::CreateRectRgn(0, 0, 0, 0));
            if (painted && ::GetUpdateRgn(hWnd, painted.get(), FALSE) == ERROR) ::SetRectRgn(painted.get(), 0, 0, 0, 0);
            const LRESULT result = ::DefSubclassProc(hWnd, message, wParam, lParam);
            DrawFocusCue(hWnd, painted.get());
            return result;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
    case WM_SETTEXT:
    case STM_SETIMAGE: {
        // The control may draw itself at once, over the cue; it is drawn anew with the cue.
        const LRESULT result = ::DefSubclassProc(hWnd, message, wParam, lParam);
        if ((message != WM_SETTEXT && message != STM_SETIMAGE) || ::GetFocus() == hWnd) {
            ::InvalidateRect(hWnd, nullptr, TRUE);
        }
        return result;
    }
    case WM_DESTROY:
        if (::GetDlgCtrlID(hWnd) == IDC_CLOSE) dialog->RestoreCloseMark();
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(hWnd, &CKeshUIDlg::ControlProc, subclassId);
        if (::GetDlgCtrlID(hWnd) == IDC_STATUS) dialog->ReleaseAccessibility(hWnd);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(hWnd, message, wParam, lParam);
}
