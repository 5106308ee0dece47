#pragma once
// Which channel may announce now, from the user's notification state and what this system has.

#include <windows.h>
#include <shellapi.h>

namespace toasthost {

struct ChannelChoice {
    bool toast = false;    // the platform's toast
    bool balloon = false;  // only the notification-area balloon
};

ChannelChoice ChooseChannels(QUERY_USER_NOTIFICATION_STATE state, bool toastRuntime, bool balloonPossible);

}  // namespace toasthost
