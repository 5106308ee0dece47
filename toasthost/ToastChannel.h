#pragma once
// The platform's toast for an application user model id, through the Windows Runtime. The one
// toast shown stays referenced until Hide, so that it can be taken away again.

#include "toasthost/WinRtRuntime.h"

namespace toasthost {

class ToastChannel {
public:
    enum class Outcome {
        Shown,
        TurnedOffByUser,  // the user's (or policy's) choice: nothing else may be shown either
        Refused,          // the platform would not show it: another way may
    };

    explicit ToastChannel(const WinRtRuntime& runtime) : m_runtime(runtime) {}
    ~ToastChannel() { Hide(); }
    ToastChannel(const ToastChannel&) = delete;
    ToastChannel& operator=(const ToastChannel&) = delete;

    // Whether this system has the toast classes at all.
    bool RuntimeExists() const;

    // A click on the toast brings `owner` to the front.
    Outcome Show(const wchar_t* title, const wchar_t* text, const wchar_t* appId, HWND owner);
    // Takes the toast away from the screen and the notification centre.
    void Hide();

private:
    const WinRtRuntime& m_runtime;
    ComPtr<IToastNotifier> m_notifier;
    ComPtr<IToastNotification> m_toast;
    EventToken m_activatedToken = {};
    bool m_activatedAdded = false;
};

}  // namespace toasthost
