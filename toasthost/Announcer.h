#pragma once
// Announces a message to the user the calling process runs as: the platform's toast where the
// system has toasts, the notification-area balloon where it has none or the platform refuses the
// toast (also when it says so only after showing has begun). Everything runs on the thread that
// prepared it, but for the click and failure reports, which the platform may make on any thread.

#include "toasthost/Announcement.h"
#include "toasthost/BalloonChannel.h"
#include "toasthost/ToastActivator.h"
#include "toasthost/ToastChannel.h"
#include "toasthost/ChannelRules.h"
#include "toasthost/WinRtRuntime.h"

#include <shellapi.h>

namespace toasthost {

class Announcer {
public:
    Announcer() = default;
    ~Announcer() { Stop(); }
    Announcer(const Announcer&) = delete;
    Announcer& operator=(const Announcer&) = delete;

    // Starts the Windows Runtime (where it has toasts) and the balloon's window; false when
    // neither channel can work here.
    bool Prepare(HINSTANCE module);
    bool ToastsExist() const { return m_toastsExist; }
    // Whether a balloon could be shown at all: its window exists and so does a notification area.
    bool BalloonPossible() const;

    // The channel the user's current state lets through (`askTheUser`) or, not asked, the
    // channel this system has; `state` receives the state the choice assumed.
    ChannelChoice Choose(QUERY_USER_NOTIFICATION_STATE& state, bool askTheUser = true) const;

    // The toast where there are toasts, else the balloon; a refused or failed toast falls back to
    // the balloon, while the user's "off" for the program stands. On Windows 10 and later the
    // toasts' activator is served on this thread until Withdraw, so a click reaches
    // `announcement.onClick` from the pop-up and from the notification centre alike; the toast's
    // Activated event carries it too (on 8 and 8.1 alone), and each click is answered once.
    void Announce(const Announcement& announcement);
    // Readies the balloon alone, whatever the system has; the action shows it, from any thread.
    std::function<void()> ArmBalloon(const Announcement& announcement);
    // Takes what was announced away: off the screen, out of the notification centre, out of the
    // notification area.
    void Withdraw();
    // Withdraws and takes everything Prepare made down again.
    void Stop();

private:
    WinRtRuntime m_runtime;
    ToastChannel m_toast{ m_runtime };
    BalloonChannel m_balloon;
    ToastActivator m_activator;
    bool m_toastsExist = false;
};

}  // namespace toasthost
