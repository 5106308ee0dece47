#pragma once
// Notification mode's manners: the announcement waits while the session's user cannot take it in
// (presentation settings or a slide show, a full-screen program or game, quiet time, Do Not
// Disturb, a locked or switched-away session: session/UserReadiness.h), and comes as soon as they
// can. No window exists meanwhile, the machine's single-instance lock is let go, and nothing runs
// but a question every few seconds.

#include "session/SessionIdentity.h"
#include "win32/AwakeClock.h"
#include "win32/ScopedHandle.h"

#include <windows.h>

struct UserWaitTiming {
    // Full-screen programs and Do Not Disturb come and go unannounced: asked again this often.
    DWORD askAgainMs = 5 * 1000;
    // After this long awake, an unbroken "busy" is not believed any more: the announcement comes
    // anyway. Longer than quiet time (an hour), a film or a long presentation; short enough that a
    // state answered wrongly for good costs an announcement half a day. A locked session is never
    // given up on: its unlock is announced.
    ULONGLONG giveUpAfterMs = 4ULL * 60 * 60 * 1000;
    ULONGLONG (*awakeMs)() = &AwakeMilliseconds;
};

struct UserWait {
    bool waited = false;    // the first answer was "not now": the lock was let go meanwhile
    bool secondStart = false;  // ended by a second start: the user asked for the program
};

// Returns once the user may be shown the announcement: at once when they can, or when nothing
// keeps their state or nobody answers; otherwise when the answer changes, when `secondStart` (if any)
// is signalled, or after the timing's bound. While it waits, `instanceLock` is closed, so that a
// start in another session (another user at the console, or the service for them) is not kept
// out for hours; the caller takes it again.
UserWait WaitUntilTheUserCanBeNotified(const SessionIdentityApi& api, HANDLE secondStart, ScopedHandle& instanceLock,
                                       const UserWaitTiming& timing = UserWaitTiming());
