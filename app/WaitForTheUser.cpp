#include "app/WaitForTheUser.h"

#include "session/UserReadiness.h"
#include "win32/Foreground.h"
#include "win32/HiddenWindow.h"
#include "win32/MessagePump.h"
#include "win32/ScopedHandle.h"

#include <wtsapi32.h>

#include <algorithm>
#include <memory>

namespace {

constexpr wchar_t kListenerClass[] = L"KeshUI waits for the user";

// What the shell tells top-level windows when presentation settings are turned on or off and when
// the session is locked or unlocked (WM_SETTINGCHANGE), and what the session tells the windows
// that ask (WM_WTSSESSION_CHANGE): either sets `changed`.
class ChangeListener {
public:
    explicit ChangeListener(HANDLE changed)
        : m_window(::GetModuleHandleW(nullptr), kListenerClass, [changed](UINT message, WPARAM, LPARAM) {
              if (message == WM_SETTINGCHANGE || message == WM_WTSSESSION_CHANGE) ::SetEvent(changed);
              return false;
          })
    {
        if (!m_window.get()) return;
        // As LocalSystem the user's broadcast comes from below this process's integrity level;
        // it only makes the state be asked again.
        LetThroughFromBelow(m_window.get(), WM_SETTINGCHANGE);
        m_sessionNotices = ::WTSRegisterSessionNotification(m_window.get(), NOTIFY_FOR_THIS_SESSION) != FALSE;
    }
    ~ChangeListener()
    {
        if (m_sessionNotices) ::WTSUnRegisterSessionNotification(m_window.get());
    }
    ChangeListener(const ChangeListener&) = delete;
    ChangeListener& operator=(const ChangeListener&) = delete;

private:
    HiddenWindow m_window;
    bool m_sessionNotices = false;
};

}  // namespace

UserWait WaitUntilTheUserCanBeNotified(const SessionIdentityApi& api, HANDLE secondStart, ScopedHandle& instanceLock,
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
        const HANDLE handles[] = { changed.get(), secondStart };
        const DWORD left =
            wasBusy ? static_cast<DWORD>(std::min<ULONGLONG>(timing.askAgainMs, timing.giveUpAfterMs - busyFor))
                    : timing.askAgainMs;
        const DWORD woken = HandleMessagesUntilSignalled(handles, secondStart ? 2 : 1, left);
        if (woken == WAIT_OBJECT_0 + 1) {
            wait.secondStart = true;
            return wait;
        }
        if (woken == WAIT_FAILED) return wait;
    }
}
