// KeshUI.exe for the tests' user, who is busy or away as TestsUser.h says. Without a state set
// the program never asks (as it was before it asked at all): the bench's yardstick. Everything
// else is the platform's.

#include "TestsUser.h"
#include "app/KeshUIApp.h"

namespace {

// Made before the application object, in this order, and in place for the whole run.
const UserStateApi g_api = WithTheTestsUser();
const Seam<UserStateApi>::Override g_use(g_api);

}  // namespace

CKeshUIApp theApp;  // NOLINT(cert-err58-cpp)
