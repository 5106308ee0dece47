#pragma once
// The version of Windows the process runs on, as it really is.

#include <windows.h>

struct WindowsVersion {
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
};

// GetVersionEx answers what the calling program's manifest lets it see; this is the real one.
// All zero when it cannot be read.
WindowsVersion RealWindowsVersion();
