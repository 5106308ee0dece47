#include "win32/DllSearch.h"
#include "win32/Module.h"

PFN_SetDefaultDllDirectories FindSetDefaultDllDirectories()
{
    // Looked up, since the program also starts where it is missing.
    return LookUp<PFN_SetDefaultDllDirectories>(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
}
