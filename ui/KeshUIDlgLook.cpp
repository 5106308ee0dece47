// How the update window looks and stands: title font, white background (the system's colours in a
// contrast theme), drag anywhere, placement per mode, and the icon drawn while minimised.

#include "ui/KeshUIDlg.h"

#include "app/SecondStart.h"
#include "ui/ContrastTheme.h"
#include "ui/res/resource.h"

namespace {

// Distance of the notification window's outer corner from the work area's bottom-right corner.
constexpr int kCornerMarginPx = 8;

}  // namespace

void CKeshUIDlg::CreateTitleFont()
{
    // A pixel height that does not scale with the screen's DPI, unlike the template font.
    LOGFONTW logFont = {};
    logFont.lfHeight = 24;
    logFont.lfWeight = FW_SEMIBOLD;
    wcscpy_s(logFont.lfFaceName, L"Verdana");
    m_titleFont.CreateFontIndirect(&logFont);
    // A null font, when creation failed, leaves the title in the system font.
    GetDlgItem(IDC_TITLE).SetFont(&m_titleFont, TRUE);
}

void CKeshUIDlg::TakeAwayTopmost()
{
    SetWindowPos(HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

void CKeshUIDlg::MoveToWorkAreaCorner()
{
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT outer = {};
    GetWindowRect(&outer);
    const int x = work.right - (outer.right - outer.left) - kCornerMarginPx;
    const int y = work.bottom - (outer.bottom - outer.top) - kCornerMarginPx;
    SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CKeshUIDlg::OnPaint()
{
    if (!IsIconic()) {
        CDialogEx::OnPaint();  // the erase and the controls draw everything
        return;
    }
    PAINTSTRUCT paint;
    const HDC dc = ::BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(&client);
    const int x = (client.right - client.left - cxIcon + 1) / 2;
    const int y = (client.bottom - client.top - cyIcon + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
}

HCURSOR CKeshUIDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

LRESULT CKeshUIDlg::OnNcHitTest(POINT)
{
    // Everything is "caption": a press anywhere drags the window, except on the two controls
    // that take their own clicks.
    return HTCAPTION;
}

// cppcheck-suppress constParameter ; a window handle, compared only, as the message map passes it
HBRUSH CKeshUIDlg::OnCtlColor(HDC hDC, HWND hWnd, UINT)
{
    // Text colour and background mode stay the drawing context's defaults: black on white.
    if (!m_bContrastTheme) return static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    // A contrast theme's colours, the link in the theme's colour for links. The close mark is a
    // one-bit mask then, which the control draws in these two colours.
    ::SetTextColor(hDC, ::GetSysColor(IsLink(hWnd) ? COLOR_HOTLIGHT : COLOR_WINDOWTEXT));
    ::SetBkColor(hDC, ::GetSysColor(COLOR_WINDOW));
    return ::GetSysColorBrush(COLOR_WINDOW);
}

void CKeshUIDlg::FollowContrastTheme()
{
    const bool wasOn = m_bContrastTheme;
    m_bContrastTheme = ContrastThemeOn();
    const HWND closeMark = GetDlgItem(IDC_CLOSE).m_hWnd;
    if (m_bContrastTheme && !m_hCloseMask) {
        const HBITMAP picture = reinterpret_cast<HBITMAP>(::SendMessageW(closeMark, STM_GETIMAGE, IMAGE_BITMAP, 0));
        m_hCloseMask.reset(MakeOneBitMask(picture));
        if (m_hCloseMask) {
            m_hClosePicture = reinterpret_cast<HBITMAP>(
                ::SendMessageW(closeMark, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_hCloseMask.get())));
        }
    } else if (!m_bContrastTheme) {
        RestoreCloseMark();
    }
    // Everything takes the new colours at once; with no contrast theme before or now, nothing
    // that the window shows has changed.
    if (wasOn || m_bContrastTheme) {
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
}

void CKeshUIDlg::RestoreCloseMark()
{
    if (!m_hCloseMask) return;
    ::SendMessageW(GetDlgItem(IDC_CLOSE).m_hWnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_hClosePicture));
    m_hCloseMask.reset();
    m_hClosePicture = nullptr;
}

LRESULT CKeshUIDlg::OnColoursChanged(WPARAM, LPARAM)
{
    FollowContrastTheme();
    Default();
    return 0;
}

LRESULT CKeshUIDlg::OnSettingChange(WPARAM wParam, LPARAM)
{
    if (wParam == SPI_SETHIGHCONTRAST) FollowContrastTheme();
    Default();
    return 0;
}

LRESULT CKeshUIDlg::OnWindowPosChanging(WPARAM, LPARAM lParam)
{
    m_keyboardGuard.Adjust(*reinterpret_cast<WINDOWPOS*>(lParam));
    Default();
    return 0;
}

LRESULT CKeshUIDlg::OnWindowPosChanged(WPARAM, LPARAM lParam)
{
    if (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW) {
        const bool poppedUp = m_keyboardGuard.Guarding();
        m_keyboardGuard.End();
        // A second start that asked before the window could come forward is answered now.
        if (m_pSecondStarts && m_pSecondStarts->Arrived()) m_bSecondStartPending = true;
        if (m_bSecondStartPending) {
            ::PostMessageW(m_hWnd, WM_SECOND_START, 0, 0);
        } else if (poppedUp) {
            // Brought forward, it takes the keyboard, and what has the focus is read.
            AnnounceThePopUp();
        }
    }
    Default();
    return 0;
}
