#pragma once
// The platform's toast for an application user model id, through the Windows Runtime. The one
// toast shown stays referenced until Withdraw, which takes it off the screen and, with its tag
// and group, out of the notification centre.

#include "toasthost/Announcement.h"
#include "toasthost/WinRtRuntime.h"

#include <functional>

namespace toasthost {

class ToastChannel {
public:
    enum class Outcome {
        Shown,
        TurnedOffByUser,  // the user's (or policy's) choice: nothing else may be shown either
        Refused,          // the platform would not show it: another way may
    };

    explicit ToastChannel(const WinRtRuntime& runtime) : m_runtime(runtime) {}
    ~ToastChannel() { Withdraw(); }
    ToastChannel(const ToastChannel&) = delete;
    ToastChannel& operator=(const ToastChannel&) = delete;

    // Whether this system has the toast classes at all.
    bool RuntimeExists() const;

    // `onFailed` runs, on any thread, when the platform reports after Show that it could not
    // show the toast after all.
    Outcome Show(const Announcement& announcement, std::function<void()> onFailed);
    // Takes the toast away from the screen and from the notification centre.
    void Withdraw();
    // Takes a toast of the id that an earlier process showed out of the notification centre.
    static void RemoveLeftOver(const WinRtRuntime& runtime, const wchar_t* appId);

private:
    const WinRtRuntime& m_runtime;
    ComPtr<IToastNotifier> m_notifier;
    ComPtr<IToastNotification> m_toast;
    ComPtr<IToastNotificationHistory> m_history;  // Windows 10 and later
    std::wstring m_appId;
    EventToken m_activatedToken = {};
    EventToken m_failedToken = {};
    bool m_activatedAdded = false;
    bool m_failedAdded = false;
};

}  // namespace toasthost
