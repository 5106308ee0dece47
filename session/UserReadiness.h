#pragma once
// May I show the user something now: the shell's notification state, Focus Assist / Do Not
// Disturb, and a "busy" believed only while a window really covers its monitor. These are the
// user's own, so a process of the user's asks: this one, unless it runs as LocalSystem; then
// KeshUIUserState.exe, started as the session's user for as long as the questions go on.

#include "product/ProductIdentity.h"
#include "session/SessionIdentity.h"
#include "win32/ScopedHandle.h"

#include <shellapi.h>

#include <string>

// What the calling process's user's state is made of, behind a seam: Wine's user always accepts.
struct UserStateApi {
    HRESULT(WINAPI* QueryUserNotificationState)(QUERY_USER_NOTIFICATION_STATE* state);
    bool (*ShellTaskbarExists)();  // without a taskbar no shell keeps the state
    bool (*ReadQuietHoursProfile)(DWORD& profile);
    bool (*ForegroundWindowCoversItsMonitor)();

    static const UserStateApi& Platform();
};

inline const UserStateApi& CurrentUserState()
{
    return Seam<UserStateApi>::Current();
}

enum class Readiness : LONG {
    Ready,    // notifications go through
    Busy,     // presentation settings, a full-screen program or game, quiet time, Do Not Disturb
    Away,     // a locked session, the screen saver, another user's session in front
    Unknown,  // nobody keeps the state (no taskbar), or no answer: nothing to wait for
};

// The rule, for the calling process's own user.
Readiness ReadinessOfThisProcessUser(const UserStateApi& api);

// The session's user's readiness, each Ask a new question; `api` tells who this process is.
class SessionUserReadiness {
public:
    explicit SessionUserReadiness(const SessionIdentityApi& api) : m_api(api) {}
    ~SessionUserReadiness();
    SessionUserReadiness(const SessionUserReadiness&) = delete;
    SessionUserReadiness& operator=(const SessionUserReadiness&) = delete;
    Readiness Ask();

private:
    bool StartHelper();
    const SessionIdentityApi& m_api;
    ScopedHandle m_helper, m_ask, m_answered, m_slots;
    ScopedView m_view;
};

// Between the program and its helper: what the helper inherits, by value on its command line, and
// the two slots of the shared section (the program's request, the helper's answer).
struct UserStateChannel {
    HANDLE ask, answered, slots, program;
};
inline constexpr LONG kAskNow = 1, kQuit = 2;
std::wstring UserStateHelperCommandLine(const std::wstring& helper, const UserStateChannel& channel);
bool ParseUserStateHelperArguments(LPCWSTR arguments, UserStateChannel& channel);
