#pragma once
// Makes an application user model id known to the shell as a desktop program's own, so that its
// toasts carry the program's name and icon, and, before Windows 10 1809, are shown at all:
// Windows 10 and later read the id's registration under the user's Classes
// (AppIdRegistration.h); Windows 8, 8.1 and 10 before 1809 a Start-menu shortcut that carries it
// (StartMenuShortcut.h).

#include <windows.h>

namespace toasthost {

// What the shell knows of the id as a desktop program's own.
enum class IdentityKnown {
    Yes,     // registered, or carried by a Start-menu entry the shell has learnt
    NotYet,  // its Start-menu shortcut was made just now: the shell learns it seconds later
    No,      // it needs a shortcut, and none could be made, or the name is someone else's
};

// Runs as whoever the calling thread is. `icon` becomes the id's picture (Windows 10 and later).
// What a toast shown now makes of it is a channel rule (ChannelRules.h).
IdentityKnown RegisterAppIdentity(const wchar_t* appId, const wchar_t* displayName, HICON icon);

// The application user model id rules: at most 128 characters, no spaces, no backslash (it
// names a registry key), not empty.
bool IsUsableAppId(const wchar_t* appId);

}  // namespace toasthost
