#include "toasthost/Visibility.h"

namespace toasthost {

ChannelChoice ChooseChannels(QUERY_USER_NOTIFICATION_STATE state, bool toastRuntime, bool balloonPossible)
{
    // Presentation mode, a full-screen program or game, quiet time, a locked or switched-away
    // session: not now. A Windows Store app in front still lets notifications through.
    const bool accepts = state == QUNS_ACCEPTS_NOTIFICATIONS || state == QUNS_APP;
    ChannelChoice choice;
    choice.toast = accepts && toastRuntime;
    choice.balloon = accepts && !toastRuntime && balloonPossible;
    return choice;
}

}  // namespace toasthost
