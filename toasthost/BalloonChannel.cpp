#include "toasthost/BalloonChannel.h"

#include <shellapi.h>

#include <cwchar>

namespace toasthost {

namespace {

constexpr wchar_t kWindowClass[] = L"ToastHost balloon owner";
constexpr UINT kIconId = 1;
constexpr UINT kIconCallbackMessage = WM_APP + 1;
constexpr UINT kAddIconMessage = WM_APP + 2;

// Sent to every top-level window when the taskbar is made anew (explorer restarted), which
// forgets every icon: a program adds its own again.
UINT TaskbarCreatedMessage()
{
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

void CopyTruncated(wchar_t* target, size_t capacity, const wchar_t* text)
{
    wcsncpy_s(target, capacity, text ? text : L"", _TRUNCATE);
}

}  // namespace

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
    // The shell's broadcast reaches a caller above its integrity level only if let through.
    if (TaskbarCreatedMessage()) ::ChangeWindowMessageFilterEx(m_window, TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
    return true;
}

void BalloonChannel::Arm(const Announcement& announcement)
{
    Withdraw();  // one announcement at a time
    m_announcement = announcement;
    m_armed = true;
}

bool BalloonChannel::Show()
{
    return m_window && ::PostMessageW(m_window, kAddIconMessage, 0, 0) != FALSE;
}

std::function<void()> BalloonChannel::ShowLater() const
{
    // Only the window's handle: a posted request to a window that is gone goes nowhere.
    const HWND window = m_window;
    return [window] { ::PostMessageW(window, kAddIconMessage, 0, 0); };
}

bool BalloonChannel::AddIcon(bool withBalloon)
{
    if (!m_armed) return false;  // withdrawn before the request arrived
    if (m_iconShown) return true;
    const HICON large = m_announcement.largeIcon;
    const HICON small = m_announcement.smallIcon ? m_announcement.smallIcon : large;

    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = m_window;
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | (withBalloon ? NIF_INFO : 0);
    data.uCallbackMessage = kIconCallbackMessage;
    data.hIcon = small ? small : ::LoadIconW(nullptr, IDI_INFORMATION);
    CopyTruncated(data.szTip, ARRAYSIZE(data.szTip), m_announcement.title.c_str());
    CopyTruncated(data.szInfoTitle, ARRAYSIZE(data.szInfoTitle), m_announcement.title.c_str());
    CopyTruncated(data.szInfo, ARRAYSIZE(data.szInfo), m_announcement.text.c_str());
    // The program's own picture, large where the shell can; the shell keeps quiet time itself.
    data.dwInfoFlags = (small ? NIIF_USER | NIIF_LARGE_ICON : NIIF_INFO) | NIIF_RESPECT_QUIET_TIME;
    data.hBalloonIcon = large ? large : small;
    if (!::Shell_NotifyIconW(NIM_ADD, &data)) return false;
    m_iconShown = true;
    data.uVersion = NOTIFYICON_VERSION_4;
    ::Shell_NotifyIconW(NIM_SETVERSION, &data);
    return true;
}

void BalloonChannel::Withdraw()
{
    m_armed = false;
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
    Withdraw();
    if (m_window) {
        ::DestroyWindow(m_window);
        m_window = nullptr;
        ::UnregisterClassW(kWindowClass, m_module);
    }
    m_module = nullptr;
    m_announcement = Announcement();
}

LRESULT CALLBACK BalloonChannel::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* channel = reinterpret_cast<BalloonChannel*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == kAddIconMessage) {
        if (channel) channel->AddIcon(true);
        return 0;
    }
    if (message == TaskbarCreatedMessage() && message != 0) {
        // The icon comes back, for its click; the balloon was seen, or shown, once already.
        if (channel && channel->m_iconShown) {
            channel->m_iconShown = false;
            channel->AddIcon(false);
        }
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
            if (channel && channel->m_announcement.onClick) channel->m_announcement.onClick();
            break;
        default:
            break;
        }
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace toasthost
