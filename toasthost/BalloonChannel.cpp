#include "toasthost/BalloonChannel.h"

#include <shellapi.h>

#include <cwchar>

namespace toasthost {

namespace {

constexpr wchar_t kWindowClass[] = L"ToastHost balloon owner";
constexpr UINT kIconId = 1;
constexpr UINT kIconCallbackMessage = WM_APP + 1;
constexpr UINT kAddIconMessage = WM_APP + 2;

HICON OwnerIcon(HWND owner, WPARAM which)
{
    DWORD_PTR icon = 0;
    if (!owner || !::SendMessageTimeoutW(owner, WM_GETICON, which, 0, SMTO_ABORTIFHUNG, 1000, &icon)) return nullptr;
    return reinterpret_cast<HICON>(icon);
}

void CopyTruncated(wchar_t* target, size_t capacity, const wchar_t* text)
{
    wcsncpy_s(target, capacity, text ? text : L"", _TRUNCATE);
}

}  // namespace

void BringOwnerToFront(HWND owner)
{
    if (!owner || !::IsWindow(owner)) return;
    if (::IsIconic(owner)) ::ShowWindowAsync(owner, SW_RESTORE);
    ::SetForegroundWindow(owner);
}

BalloonChannel::~BalloonChannel()
{
    Close();
}

bool BalloonChannel::Prepare(HINSTANCE module)
{
    if (m_window) return true;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &BalloonChannel::WindowProc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = kWindowClass;
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    m_module = module;
    // Never shown: it only owns the icon and receives its notifications.
    m_window = ::CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, module,
                                 nullptr);
    if (!m_window) {
        ::UnregisterClassW(kWindowClass, module);
        m_module = nullptr;
        return false;
    }
    ::SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

bool BalloonChannel::NotificationAreaExists()
{
    return ::FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
}

bool BalloonChannel::Show(HWND owner, const wchar_t* title, const wchar_t* text)
{
    if (!m_window) return false;
    RemoveIcon();  // one announcement at a time
    m_owner = owner;
    m_title = title ? title : L"";
    m_text = text ? text : L"";
    // The shell answers an icon only after a round trip to its process; the caller's window
    // waits for this call before it shows, so the icon is added by the next message of this
    // thread instead (the caller's message loop runs it right after the window appears).
    return ::PostMessageW(m_window, kAddIconMessage, 0, 0) != FALSE;
}

bool BalloonChannel::AddIcon()
{
    HICON small = OwnerIcon(m_owner, ICON_SMALL);
    if (!small) small = OwnerIcon(m_owner, ICON_SMALL2);
    HICON large = OwnerIcon(m_owner, ICON_BIG);
    if (!small) small = large;

    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = m_window;
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    data.uCallbackMessage = kIconCallbackMessage;
    data.hIcon = small ? small : ::LoadIconW(nullptr, IDI_INFORMATION);
    CopyTruncated(data.szTip, ARRAYSIZE(data.szTip), m_title.c_str());
    CopyTruncated(data.szInfoTitle, ARRAYSIZE(data.szInfoTitle), m_title.c_str());
    CopyTruncated(data.szInfo, ARRAYSIZE(data.szInfo), m_text.c_str());
    // The owner's own picture, large where the shell can; the shell keeps quiet time itself.
    data.dwInfoFlags = (small || large ? NIIF_USER | NIIF_LARGE_ICON : NIIF_INFO) | NIIF_RESPECT_QUIET_TIME;
    data.hBalloonIcon = large ? large : small;
    if (!::Shell_NotifyIconW(NIM_ADD, &data)) return false;
    m_iconShown = true;
    data.uVersion = NOTIFYICON_VERSION_4;
    ::Shell_NotifyIconW(NIM_SETVERSION, &data);
    return true;
}

void BalloonChannel::RemoveIcon()
{
    if (!m_iconShown) return;
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = m_window;
    data.uID = kIconId;
    ::Shell_NotifyIconW(NIM_DELETE, &data);
    m_iconShown = false;
}

void BalloonChannel::Close()
{
    RemoveIcon();
    if (m_window) {
        ::DestroyWindow(m_window);
        m_window = nullptr;
        ::UnregisterClassW(kWindowClass, m_module);
    }
    m_module = nullptr;
    m_owner = nullptr;
}

LRESULT CALLBACK BalloonChannel::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* channel = reinterpret_cast<BalloonChannel*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == kAddIconMessage) {
        if (channel) channel->AddIcon();
        return 0;
    }
    if (message == kIconCallbackMessage) {
        // Version 4 puts the event in the low word; older shells pass it whole, which is the same.
        switch (LOWORD(lParam)) {
        case NIN_BALLOONUSERCLICK:
        case NIN_SELECT:
        case NIN_KEYSELECT:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
            if (channel) BringOwnerToFront(channel->m_owner);
            break;
        default:
            break;
        }
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace toasthost
