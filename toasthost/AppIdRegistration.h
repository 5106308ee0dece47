#pragma once
// An application user model id registered for the user (Windows 10 and later): its key under the
// user's Classes with a display name and an icon, and the toasts' activator it names
// (CustomActivator) with that activator's server, ToastHost.exe beside this module. A name and
// icon already there are left as they are; the activator's server follows where the program is.

#include <windows.h>

namespace toasthost {

// As whoever the calling thread is: every key and folder is that user's.
void RegisterInUserClasses(const wchar_t* appId, const wchar_t* displayName, HICON icon);

// Whether the machine's registration (the installer's, under HKEY_LOCAL_MACHINE) names the id and,
// as the activator's server, the ToastHost.exe beside this module: this very installation.
bool MachineRegistersThisInstallation(const wchar_t* appId);

// Takes away what RegisterInUserClasses made for the user (the id's key, the activator's class,
// the icon file and its folder), as whoever the calling thread is.
void RemoveUserRegistration(const wchar_t* appId);

}  // namespace toasthost
