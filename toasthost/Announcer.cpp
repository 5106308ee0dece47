#include "toasthost/Announcer.h"

#include "toasthost/AppIdentity.h"
#include "toasthost/ToastClick.h"
#include "win32/NotificationState.h"

#include <memory>

namespace toasthost {

bool Announcer::Prepare(HINSTANCE module)
{
    m_toastsExist = m_runtime.Start() && m_toast.RuntimeExists();
    if (!m_toastsExist) m_runtime.Stop();
    // The balloon's window also stands by where toasts exist, for when the platform refuses one.
    const bool balloon = m_balloon.Prepare(module);
    return m_toastsExist || balloon;
}

bool Announcer::BalloonPossible() const
{
    return m_balloon.Prepared() && ShellTaskbarExists();
}

ChannelChoice Announcer::Choose(QUERY_USER_NOTIFICATION_STATE& state, bool askTheUser) const
{
    state = askTheUser ? QUNS_NOT_PRESENT : QUNS_ACCEPTS_NOTIFICATIONS;
    if (askTheUser && FAILED(::SHQueryUserNotificationState(&state))) return ChannelChoice();
    return ChooseChannels(state, m_toastsExist, BalloonPossible());
}

void Announcer::Announce(const Announcement& announcement)
{
    m_balloon.Arm(announcement);
    if (m_toastsExist &&
        ToastIsSeen(RegisterAppIdentity(announcement.appId.c_str(), announcement.title.c_str(), announcement.largeIcon))) {
        // One click, one answer, by whichever route it arrives (OneAnswerPerClick).
        Announcement toast = announcement;
        if (ToastActivatorsExist() && announcement.onClick) {
            using Route = OneAnswerPerClick::Route;
            const auto once = std::make_shared<OneAnswerPerClick>(announcement.onClick);
            toast.onClick = [once] { once->Arrived(Route::ToastEvent); };
            m_activator.Register([once](const std::wstring&) { once->Arrived(Route::Activator); });
        }
        const auto outcome = m_toast.Show(toast, m_balloon.ShowLater());
        // The user's "off" is final: the balloon must not get around it.
        if (outcome != ToastChannel::Outcome::Refused) return;
    }
    m_balloon.Show();
}

std::function<void()> Announcer::ArmBalloon(const Announcement& announcement)
{
    m_balloon.Arm(announcement);
    return m_balloon.ShowLater();
}

void Announcer::Withdraw()
{
    m_activator.Revoke();
    m_toast.Withdraw();
    m_balloon.Withdraw();
}

void Announcer::Stop()
{
    // The toast's objects go before the runtime that made them.
    m_activator.Revoke();
    m_toast.Withdraw();
    m_balloon.Close();
    m_runtime.Stop();
    m_toastsExist = false;
}

}  // namespace toasthost
