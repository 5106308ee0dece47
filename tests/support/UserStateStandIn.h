#pragma once
// The user's notification state as a test wants it (Wine's user always accepts notifications), in
// place for as long as the object lives (one at a time); another thread may change it. What the
// program asks is counted.

#include "session/UserReadiness.h"

#include <atomic>

namespace kesh_test {

class UserStateStandIn {
public:
    UserStateStandIn() : m_use(m_api) { s_current = this; }
    ~UserStateStandIn() { s_current = nullptr; }
    UserStateStandIn(const UserStateStandIn&) = delete;
    UserStateStandIn& operator=(const UserStateStandIn&) = delete;

    // ---- what the platform answers
    std::atomic<QUERY_USER_NOTIFICATION_STATE> notificationState{ QUNS_ACCEPTS_NOTIFICATIONS };
    HRESULT notificationStateResult = S_OK;
    bool taskbar = true;
    std::atomic<int> quietHours{ 0 };  // Focus Assist: 0 off, 1 priority only, 2 alarms only; -1 unreadable
    bool foregroundCoversItsMonitor = true;

    // ---- what the program asked
    std::atomic<int> stateQueries{ 0 };
    std::atomic<int> stateQueriesAsTheUser{ 0 };  // asked while the thread acted as someone

private:
    static inline UserStateStandIn* s_current = nullptr;
    const UserStateApi m_api = {
        [](QUERY_USER_NOTIFICATION_STATE* state) -> HRESULT {
            UserStateStandIn& self = *s_current;
            ++self.stateQueries;
            HANDLE token = nullptr;
            if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
                ++self.stateQueriesAsTheUser;
                ::CloseHandle(token);
            }
            *state = self.notificationState;
            return self.notificationStateResult;
        },
        [] { return s_current->taskbar; },
        [](DWORD& profile) {
            profile = static_cast<DWORD>(s_current->quietHours.load());
            return s_current->quietHours >= 0;
        },
        [] { return s_current->foregroundCoversItsMonitor; },
    };
    Seam<UserStateApi>::Override m_use;
};

}  // namespace kesh_test
