#pragma once
// The user of the tests and the bench, who is busy or away as Wine's user never is: the
// notification state is the number in HKCU\Software\KeshTest\UserNotificationState (QUNS_*, read
// at each question). With no number there, the session has no shell to ask, so nothing is asked.

#include "session/UserReadiness.h"

#include <cwchar>

// The number the test set, or 0.
inline long StateTheTestSets()
{
    wchar_t value[16] = {};
    DWORD bytes = sizeof(value);
    if (::RegGetValueW(HKEY_CURRENT_USER, L"Software\\KeshTest", L"UserNotificationState", RRF_RT_REG_SZ, nullptr, value,
                       &bytes) != ERROR_SUCCESS) {
        return 0;
    }
    return std::wcstol(value, nullptr, 10);
}

inline UserStateApi WithTheTestsUser()
{
    UserStateApi api = UserStateApi::Platform();
    api.QueryUserNotificationState = [](QUERY_USER_NOTIFICATION_STATE* state) -> HRESULT {
        *state = static_cast<QUERY_USER_NOTIFICATION_STATE>(StateTheTestSets());
        return S_OK;
    };
    api.ShellTaskbarExists = [] { return StateTheTestSets() != 0; };
    return api;
}
