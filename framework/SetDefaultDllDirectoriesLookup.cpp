#include "framework/DllSearch.h"

PFN_SetDefaultDllDirectories FindSetDefaultDllDirectories()
{
    // Looked up, since the program also starts where it is missing.
    const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    return kernel32 ? reinterpret_cast<PFN_SetDefaultDllDirectories>(
                          reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                    : nullptr;
}
