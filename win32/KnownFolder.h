#pragma once
// The user's own folders.

#include <windows.h>
#include <shlobj.h>

#include <string>

// A known folder of the user the calling thread acts for (its impersonation token, or the
// process's user), made if it does not exist yet; empty when it cannot be had.
std::wstring CallingUsersKnownFolder(const KNOWNFOLDERID& id);
