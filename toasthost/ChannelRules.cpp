#include "toasthost/ChannelRules.h"

#include "win32/NotificationState.h"

namespace toasthost {

ChannelChoice ChooseChannels(QUERY_USER_NOTIFICATION_STATE state, bool toastRuntime, bool balloonPossible)
{
    const bool accepts = StateAcceptsNotifications(state);
    ChannelChoice choice;
    choice.toast = accepts && toastRuntime;
    choice.balloon = accepts && !toastRuntime && balloonPossible;
    return choice;
}

bool ToastIsSeen(IdentityKnown identity)
{
    return identity == IdentityKnown::Yes;
}

}  // namespace toasthost
