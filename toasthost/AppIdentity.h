#pragma once
// Makes an application user model id known to the shell as a desktop program's own, so that its
// toasts carry the program's name and icon (and, before Windows 10 1809, are shown at all):
// Windows 10 and later read the id's key under the user's Classes, with the toast activator it
// names and that activator's server (ToastHost.exe beside this module); Windows 8, 8.1 and 10
// before 1809 a Start-menu shortcut to the program (KeshUI.exe beside this module) that carries
// the id and the activator. A name and icon already there are left as they are; the activator's
// entries and the shortcut follow where the program is.

#include <windows.h>

#include <string>

namespace toasthost {

// Runs as whoever the calling thread is: every path, key and folder is that user's. `icon`
// becomes the id's picture (Windows 10 and later). False when a toast shown now would be lost:
// where the shortcut is needed, the shell learns a new one only seconds after it is made, and
// until then it accepts the id's toasts and shows none; so also when it cannot be made.
bool RegisterAppIdentity(const wchar_t* appId, const wchar_t* displayName, HICON icon);

// The full path of a file in the folder of the module this code is in (the library or the host).
std::wstring BesideThisModule(const wchar_t* fileName);

// The real major version of Windows, whatever the calling program's manifest lets it see.
DWORD WindowsMajorVersion();

// The application user model id rules: at most 128 characters, no spaces, no backslash (it
// names a registry key), not empty.
bool IsUsableAppId(const wchar_t* appId);

}  // namespace toasthost
