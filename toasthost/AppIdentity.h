#pragma once
// Makes an application user model id known to the shell as a desktop program's own, so that its
// toasts carry the program's name and icon (and, on Windows 8 and 8.1, are shown at all):
// Windows 10 and later read the id's key under the user's Classes, with the toast activator it
// names and that activator's server (ToastHost.exe beside this module); Windows 8 and 8.1 a
// Start-menu shortcut that carries the id. A name and icon already there are left as they are;
// the activator's entries follow where the program is.

#include <windows.h>

namespace toasthost {

// Runs as whoever the calling thread is: every path, key and folder is that user's. `icon`
// becomes the id's picture (Windows 10 and later). False when a toast shown now would be lost:
// on Windows 8 and 8.1 the shell learns a new shortcut only seconds after it is made, and until
// then it accepts the id's toasts and shows none; so also when the shortcut cannot be made.
bool RegisterAppIdentity(const wchar_t* appId, const wchar_t* displayName, HICON icon);

// The real major version of Windows, whatever the calling program's manifest lets it see.
DWORD WindowsMajorVersion();

// The application user model id rules: at most 128 characters, no spaces, no backslash (it
// names a registry key), not empty.
bool IsUsableAppId(const wchar_t* appId);

}  // namespace toasthost
