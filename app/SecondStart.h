#pragma once
// A second start by the user brings the window the user already has to the front (or shows a
// waiting notification now). The running program may be LocalSystem and the second start the
// user: AllowSetForegroundWindow, which names a process, is what crosses, so the program keeps its
// process id and an event in its session's namespace for the user's start (docs/second-start.md).

#include "session/SessionIdentity.h"
#include "win32/ScopedHandle.h"

#include <windows.h>

// In the session's own namespace: a program in another session is never reached.
inline constexpr wchar_t kRunningProgramName[] = L"Local\\Brenlo KeshUI.exe instance";
inline constexpr wchar_t kSecondStartEventName[] = L"Local\\Brenlo KeshUI.exe second start";

// Posted to the running program's top-level windows after a second start has set the event.
inline constexpr UINT WM_SECOND_START = WM_APP + 102;

// In the program that holds the single-instance lock, for its whole run: the event a second start
// sets, and the process id it names.
class SecondStarts {
public:
    explicit SecondStarts(const SessionIdentityApi& api);
    SecondStarts(const SecondStarts&) = delete;
    SecondStarts& operator=(const SecondStarts&) = delete;

    // Set by a second start; a wait on it takes the request. Null when nobody can set it.
    HANDLE Event() const { return m_event.get(); }
    // Whether a second start has come since the last look; takes the request.
    bool Arrived() const;

private:
    ScopedHandle m_instance;  // this process's id, for the second start
    ScopedHandle m_event;
};

// In a start by the user: asks the program running in this session, if there is one, to bring
// its window forward, and lets it take the foreground; false when there is none. Once it is known
// to be the program, `ownLock` is let go first, for a program that waits with its lock let go to
// take it again.
bool AskTheRunningProgramForward(ScopedHandle& ownLock);
