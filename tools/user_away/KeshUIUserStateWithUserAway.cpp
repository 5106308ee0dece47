// KeshUIUserState.exe for the tests' user (TestsUser.h), placed beside the test programs under the
// helper's own name: the program asks it, as LocalSystem, what the user's state is.

#include "TestsUser.h"

namespace {

const UserStateApi g_api = WithTheTestsUser();
const Seam<UserStateApi>::Override g_use(g_api);

}  // namespace
