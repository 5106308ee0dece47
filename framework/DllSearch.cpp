#include "framework/DllSearch.h"

#include <windows.h>

void RestrictDllSearchToSystemFolder()
{
    // Windows 8, and Vista and 7 with the update that brought it (KB2533623); looked up, since
    // the program also starts where it is missing.
    using PFN_SetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    const auto setDefaultDllDirectories = kernel32 ? reinterpret_cast<PFN_SetDefaultDllDirectories>(
                                                         reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                                                   : nullptr;
    if (setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without it, at least the current folder leaves the search.
    ::SetDllDirectoryW(L"");
}
