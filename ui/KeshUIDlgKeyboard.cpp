// The update window for keyboard users. The template gives no control a tab stop, so the dialog
// manager moves no focus; the window does it itself, in its message filtering: Tab and Shift+Tab
// move the focus between the status line (while it is a link) and the close mark, wrapping round;
// Space on either does what a click does. Escape and Enter stay the dialog manager's. The
// focused control shows a focus rectangle, unless the window's UI state hides focus cues.

#include "ui/KeshUIDlg.h"

#include "ui/res/resource.h"
#include "win32/Gdi.h"

#include <iterator>

// cppcheck-suppress constParameter ; a window handle, not a pointer to anything of ours
bool CKeshUIDlg::IsFocusable(HWND control) const
{
    if (!control) return false;
    if (control == GetDlgItem(IDC_CLOSE).m_hWnd) return true;
    return IsLink(control);
}

void CKeshUIDlg::MoveFocus(bool backwards)
{
    const HWND order[] = { GetDlgItem(IDC_STATUS).m_hWnd, GetDlgItem(IDC_CLOSE).m_hWnd };
    const int count = static_cast<int>(std::size(order));
    int at = -1;
    for (int i = 0; i < count; ++i) {
        if (order[i] == ::GetFocus()) at = i;
    }
    // From nowhere, Tab starts at the first and Shift+Tab at the last.
    int next = at < 0 ? (backwards ? count - 1 : 0) : at;
    for (int step = 0; step < count; ++step) {
        if (at >= 0 || step > 0) next = (next + (backwards ? count - 1 : 1)) % count;
        if (IsFocusable(order[next])) break;
    }
    if (!IsFocusable(order[next])) return;
    ::SetFocus(order[next]);
    // What the dialog manager does on Tab: from now on the focus is shown.
    SendMessage(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

BOOL CKeshUIDlg::PreTranslateMessage(MSG* pMsg)
{
    // The window's first message: it has been made and shown, whatever else has happened.
    m_keyboardGuard.End();
    const bool control = ::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0;
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_TAB && !control) {
        MoveFocus(::GetKeyState(VK_SHIFT) < 0);
        return TRUE;
    }
    if (pMsg->wParam != VK_SPACE || !IsFocusable(pMsg->hwnd) || pMsg->hwnd != ::GetFocus()) return FALSE;
    // Like a button: the press arms, the release on the same control acts.
    if (pMsg->message == WM_KEYDOWN) {
        if (!(pMsg->lParam & (1 << 30))) m_hSpacePressedOn = pMsg->hwnd;  // not a repeat
        return TRUE;
    }
    if (pMsg->message == WM_KEYUP) {
        if (m_hSpacePressedOn == pMsg->hwnd) {
            m_hSpacePressedOn = nullptr;
            // Exactly what a click sends, so the same handler runs.
            ::PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(pMsg->hwnd), STN_CLICKED),
                           reinterpret_cast<LPARAM>(pMsg->hwnd));
        }
        return TRUE;
    }
    return pMsg->message == WM_CHAR;  // no character for a key the window has handled
}

void CKeshUIDlg::DrawFocusCue(HWND control, HRGN painted)
{
    if (::GetFocus() != control) return;
    if (::SendMessageW(control, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) return;
    const WindowDC dc(control);
    if (!dc.get()) return;
    if (painted) ::SelectClipRgn(dc.get(), painted);  // drawn once, only over fresh paint: the cue inverts
    RECT client = {};
    ::GetClientRect(control, &client);
    ::DrawFocusRect(dc.get(), &client);
}
