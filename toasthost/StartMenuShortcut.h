#pragma once
// The Start-menu shortcut that carries an application user model id, which Windows 8, 8.1 and 10
// before 1809 need to show a desktop program's toasts: in the user's own Start menu, named after
// the program, opening the program (KeshUI.exe beside this module: the interactive check), with
// the id and the toasts' activator as its properties.

#include "toasthost/AppIdentity.h"

#include <windows.h>

namespace toasthost {

// As whoever the calling thread is. `installed`: the machine's registration names this very
// installation, made by the package that makes the all-users entry with the id. Then Yes when
// that entry opens this program (no entry of the user's own is kept beside it), No otherwise,
// and nothing is written. Else Yes when one of ours was there already (pointed at the program
// now, if it pointed elsewhere: the shell knows its id); NotYet when it had to be made now; No
// when it could be neither made nor corrected, or the name is someone else's shortcut.
IdentityKnown ShortcutKnownToTheShell(const wchar_t* appId, const wchar_t* displayName, bool installed);

}  // namespace toasthost
