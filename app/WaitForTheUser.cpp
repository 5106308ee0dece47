#include "app/WaitForTheUser.h"

#include "session/UserReadiness.h"
#include "win32/Foreground.h"
#include "win32/MessagePump.h"
#include "win32/ScopedHandle.h"

#include <wtsapi32.h>

#include <algorithm>
#include <memory>

namespace {

constexpr wchar_t kListenerClass[] = L"KeshUI waits for the user";

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

UserWait WaitUntilTheUserCanBeNotified(const SessionIdentityApi& api, HANDLE summons, ScopedHandle& instanceLock,
                                       const UserWaitTiming& timing)
{
    UserWait wait;
    SessionUserReadiness readiness(api);
    ULONGLONG busyFor = 0;  // awake, and busy at the last question
    ULONGLONG askedAt = timing.awakeMs();
    bool wasBusy = false;
    ScopedHandle changed;
    std::unique_ptr<ChangeListener> listener;  // made only once there is something to wait for
    for (;;) {
        const Readiness now = readiness.Ask();
        if (now == Readiness::Ready || now == Readiness::Unknown) return wait;
        const ULONGLONG at = timing.awakeMs();
        if (wasBusy) busyFor += at - askedAt;
        askedAt = at;
        wasBusy = now == Readiness::Busy;
        if (wasBusy && busyFor >= timing.giveUpAfterMs) return wait;
        if (!changed) {
            changed.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
            if (!changed) return wait;
            instanceLock.reset();
            listener = std::make_unique<ChangeListener>(changed.get());
        }
        wait.waited = true;
        const HANDLE handles[] = { changed.get(), summons };
        const DWORD left =
            wasBusy ? static_cast<DWORD>(std::min<ULONGLONG>(timing.askAgainMs, timing.giveUpAfterMs - busyFor))
                    : timing.askAgainMs;
        const DWORD woken = HandleMessagesUntilSignalled(handles, summons ? 2 : 1, left);
        if (woken == WAIT_OBJECT_0 + 1) {
            wait.summoned = true;
            return wait;
        }
        if (woken == WAIT_FAILED) return wait;
    }
}
