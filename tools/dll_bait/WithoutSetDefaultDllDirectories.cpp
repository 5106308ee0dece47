// Stands in, in a test build of KeshUI.exe, for a Windows without SetDefaultDllDirectories
// (Vista and 7 without the update that brought it).

#include "win32/DllSearch.h"

PFN_SetDefaultDllDirectories FindSetDefaultDllDirectories()
{
    return nullptr;
}
