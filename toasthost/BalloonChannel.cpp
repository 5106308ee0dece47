#include "toasthost/BalloonChannel.h"

#include "win32/Foreground.h"

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
    // Never shown: it only owns the icon and receives its notifications.
    auto owner = std::make_unique<HiddenWindow>(module, kWindowClass,
                                                [this](UINT message, WPARAM, LPARAM lParam) { return OnMessage(message, lParam); });
    if (!owner->get()) return false;
    m_owner = std::move(owner);
    m_window = m_owner->get();
    // The shell's broadcast reaches a caller above its integrity level only if let through.
    if (TaskbarCreatedMessage()) LetThroughFromBelow(m_window, TaskbarCreatedMessage());
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
    m_owner.reset();
    m_window = nullptr;
    m_announcement = Announcement();
}

bool BalloonChannel::OnMessage(UINT message, LPARAM lParam)
{
    if (message == kAddIconMessage) {
        AddIcon(true);
        return true;
    }
    if (message == TaskbarCreatedMessage() && message != 0) {
        // The icon comes back, for its click; the balloon was seen, or shown, once already.
        if (m_iconShown) {
            m_iconShown = false;
            AddIcon(false);
        }
        return true;
    }
    if (message != kIconCallbackMessage) return false;
    // Version 4 puts the event in the low word; older shells pass it whole, which is the same.
    switch (LOWORD(lParam)) {
    case NIN_BALLOONUSERCLICK:
    case NIN_SELECT:
    case NIN_KEYSELECT:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        if (m_announcement.onClick) m_announcement.onClick();
        break;
    default:
        break;
    }
    return true;
}

}  // namespace toasthost
