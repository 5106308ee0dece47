#pragma once
// The platform's part of a click on a toast, on Windows 10 and later.

#include <windows.h>

namespace kesh_test {

// Plays the platform on Windows 10 when the user clicks a toast: creates the toasts' activator
// (from a process that registered it, or through its local server) and calls Activate; or,
// without `call`, lets go of it again without a call, as on no click at all.
HRESULT ClickThroughTheActivator(bool call = true);

}  // namespace kesh_test
