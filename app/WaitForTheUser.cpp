#include "app/WaitForTheUser.h"

#include "win32/Foreground.h"
#include "win32/MessagePump.h"
#include "win32/NotificationState.h"
#include "win32/ScopedHandle.h"

#include <wtsapi32.h>

#include <algorithm>
#include <memory>

namespace {

constexpr wchar_t kListenerClass[] = L"KeshUI waits for the user";

// The state as the session's user sees it; false when there is no answer to wait for.
bool AskUserNotificationState(const SessionIdentityApi& api, QUERY_USER_NOTIFICATION_STATE& state)
{
    if (!api.ShellTaskbarExists()) return false;
    const ActingAsSessionUser asUser(api);
    return SUCCEEDED(api.QueryUserNotificationState(&state));
}

// A top-level window that is never shown, for what is announced to such windows: the shell's
// WM_SETTINGCHANGE when presentation settings are turned on or off and when the session is
// locked or unlocked, and the session's WM_WTSSESSION_CHANGE. Either sets `changed`.
class ChangeListener {
public:
    explicit ChangeListener(HANDLE changed)
    {
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &ChangeListener::WindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kListenerClass;
        if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;
        m_window = ::CreateWindowExW(WS_EX_TOOLWINDOW, kListenerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     instance, nullptr);
        if (!m_window) return;
        ::SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(changed));
        // As LocalSystem the user's broadcast comes from below this process's integrity level;
        // it only makes the state be asked again.
        LetThroughFromBelow(m_window, WM_SETTINGCHANGE);
        m_sessionNotices = ::WTSRegisterSessionNotification(m_window, NOTIFY_FOR_THIS_SESSION) != FALSE;
    }
    ~ChangeListener()
    {
        if (!m_window) return;
        if (m_sessionNotices) ::WTSUnRegisterSessionNotification(m_window);
        ::DestroyWindow(m_window);
        ::UnregisterClassW(kListenerClass, ::GetModuleHandleW(nullptr));
    }
    ChangeListener(const ChangeListener&) = delete;
    ChangeListener& operator=(const ChangeListener&) = delete;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_SETTINGCHANGE || message == WM_WTSSESSION_CHANGE) {
            const HANDLE changed = reinterpret_cast<HANDLE>(::GetWindowLongPtrW(window, GWLP_USERDATA));
            if (changed) ::SetEvent(changed);
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    HWND m_window = nullptr;
    bool m_sessionNotices = false;
};

}  // namespace

UserWait WaitUntilTheUserCanBeNotified(const SessionIdentityApi& api, HANDLE summons, const UserWaitTiming& timing)
{
    UserWait wait;
    const ULONGLONG start = ::GetTickCount64();
    ScopedHandle changed;
    std::unique_ptr<ChangeListener> listener;  // made only once there is something to wait for
    for (;;) {
        QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
        if (!AskUserNotificationState(api, state) || StateAcceptsNotifications(state)) return wait;
        const ULONGLONG waited = ::GetTickCount64() - start;
        if (waited >= timing.giveUpAfterMs) return wait;
        if (!changed) {
            changed.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
            if (!changed) return wait;
            listener = std::make_unique<ChangeListener>(changed.get());
        }
        wait.waited = true;
        const HANDLE handles[] = { changed.get(), summons };
        const DWORD left = static_cast<DWORD>(std::min<ULONGLONG>(timing.askAgainMs, timing.giveUpAfterMs - waited));
        const DWORD woken = HandleMessagesUntilSignalled(handles, summons ? 2 : 1, left);
        if (woken == WAIT_OBJECT_0 + 1) {
            wait.summoned = true;
            return wait;
        }
        if (woken == WAIT_FAILED) return wait;
    }
}
