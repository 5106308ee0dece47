#pragma once
// Notification mode's manners: the announcement waits while the user's notification state says
// "not now" (presentation settings or a slide show, a full-screen program or game, quiet time, a
// locked or switched-away session), and comes as soon as it lets notifications through. No
// window exists meanwhile, and nothing runs but a question every few seconds.

#include "session/SessionIdentity.h"

#include <windows.h>

struct UserWaitTiming {
    // Full-screen programs come and go unannounced: the state is asked again this often.
    DWORD askAgainMs = 5 * 1000;
    // After this long an unbroken "not now" is not believed any more: the announcement comes
    // anyway. Longer than quiet time (an hour), a film or a long presentation; short enough that a
    // state answered wrongly for good (an overlay that always looks full-screen) costs an
    // announcement half a day, not every announcement.
    ULONGLONG giveUpAfterMs = 4ULL * 60 * 60 * 1000;
};

struct UserWait {
    bool waited = false;    // the first answer was "not now"
    bool summoned = false;  // ended by `summons`: the user asked for the program
};

// Returns once the user may be shown the announcement: at once when the state accepts
// notifications, when the session has no taskbar (nobody keeps the state) or the question fails;
// otherwise when the state changes to accepting, when `summons` (if any) is signalled, or after
// the timing's bound. The state is asked as the session's user (ActingAsSessionUser): it is
// that user's presentation settings and quiet time that count, not the service's.
UserWait WaitUntilTheUserCanBeNotified(const SessionIdentityApi& api, HANDLE summons,
                                       const UserWaitTiming& timing = UserWaitTiming());
