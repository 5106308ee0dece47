#pragma once

#include <windows.h>

// Starts explorer.exe with the quoted address as the user signed in to this process's session,
// on that user's desktop and with that user's environment. True when the process was created;
// false on every failure, and then nothing was started. Keeps no handle.
bool LaunchUrlInUserSession(LPCWSTR address);
