#pragma once
// Which channel may announce now: from the user's notification state and what this system has,
// and from what the shell knows of the id.

#include "toasthost/AppIdentity.h"

#include <windows.h>
#include <shellapi.h>

namespace toasthost {

struct ChannelChoice {
    bool toast = false;    // the platform's toast
    bool balloon = false;  // only the notification-area balloon
};

ChannelChoice ChooseChannels(QUERY_USER_NOTIFICATION_STATE state, bool toastRuntime, bool balloonPossible);

// Whether a toast shown now would be seen: only for an id the shell knows. A shortcut made just
// now it learns seconds later, accepting the id's toasts meanwhile and showing none; without one
// it never shows them. The balloon announces instead: nothing is lost.
bool ToastIsSeen(IdentityKnown identity);

}  // namespace toasthost
