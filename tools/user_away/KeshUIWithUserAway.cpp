// KeshUI.exe for a user who is busy or away, which Wine's user never is: the notification state
// is the number in HKCU\Software\KeshTest\UserNotificationState (QUNS_*, read at each question).
// With no number there, the session has no shell to ask, so the program never asks (as it was
// before it asked at all): the bench's yardstick. Everything else is the platform's.

#include "app/KeshUIApp.h"
#include "session/SessionIdentity.h"

#include <cwchar>

namespace {

// The number the test set, or 0.
long StateTheTestSets()
{
    wchar_t value[16] = {};
    DWORD bytes = sizeof(value);
    if (::RegGetValueW(HKEY_CURRENT_USER, L"Software\\KeshTest", L"UserNotificationState", RRF_RT_REG_SZ, nullptr, value,
                       &bytes) != ERROR_SUCCESS) {
        return 0;
    }
    return std::wcstol(value, nullptr, 10);
}

SessionIdentityApi WithTheTestsUser()
{
    SessionIdentityApi api = PlatformSessionIdentity();
    api.QueryUserNotificationState = [](QUERY_USER_NOTIFICATION_STATE* state) -> HRESULT {
        *state = static_cast<QUERY_USER_NOTIFICATION_STATE>(StateTheTestSets());
        return S_OK;
    };
    api.ShellTaskbarExists = [] { return StateTheTestSets() != 0; };
    return api;
}

// Made before the application object, in this order, and in place for the whole run.
const SessionIdentityApi g_api = WithTheTestsUser();
const ScopedSessionIdentityOverride g_use(g_api);

}  // namespace

CKeshUIApp theApp;  // NOLINT(cert-err58-cpp)
