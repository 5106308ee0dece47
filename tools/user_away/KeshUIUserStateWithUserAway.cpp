// KeshUIUserState.exe for the tests' user (TestsUser.h), placed beside the test programs under the
// helper's own name: the program asks it, as LocalSystem, what the user's state is.

#include "TestsUser.h"

namespace {

const SessionIdentityApi g_api = WithTheTestsUser();
const ScopedSessionIdentityOverride g_use(g_api);

}  // namespace
