// KeshUI.exe for the tests' user, who is busy or away as TestsUser.h says. Without a state set
// the program never asks (as it was before it asked at all): the bench's yardstick. Everything
// else is the platform's.

#include "TestsUser.h"
#include "app/KeshUIApp.h"

namespace {

// Made before the application object, in this order, and in place for the whole run.
const SessionIdentityApi g_api = WithTheTestsUser();
const ScopedSessionIdentityOverride g_use(g_api);

}  // namespace

CKeshUIApp theApp;  // NOLINT(cert-err58-cpp)
