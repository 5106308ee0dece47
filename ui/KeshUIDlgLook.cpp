// How the update window looks and stands: title font, white background, drag anywhere, placement
// per mode, and the icon drawn while minimised.

#include "ui/KeshUIDlg.h"

#include "ui/res/resource.h"

namespace {
// Distance of the notification window's outer corner from the work area's bottom-right corner.
constexpr int kCornerMarginPx = 8;
}

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

HBRUSH CKeshUIDlg::OnCtlColor(HDC, HWND, UINT)
{
    // Text colour and background mode stay the drawing context's defaults: black on white.
    return static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
}
