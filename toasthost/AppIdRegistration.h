#pragma once
// An application user model id registered for the user (Windows 10 and later): its key under the
// user's Classes with a display name and an icon, and the toasts' activator it names
// (CustomActivator) with that activator's server, ToastHost.exe beside this module. A name and
// icon already there are left as they are; the activator's server follows where the program is.

#include <windows.h>

namespace toasthost {

// As whoever the calling thread is: every key and folder is that user's.
void RegisterInUserClasses(const wchar_t* appId, const wchar_t* displayName, HICON icon);

}  // namespace toasthost
