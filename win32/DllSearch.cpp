#include "win32/DllSearch.h"

#include <delayimp.h>

#include <cstring>

namespace {

// Set first thing in wWinMain, before the program's other threads exist.
bool g_delayedFromSystemFolder = false;

// Where SetDefaultDllDirectories is missing, the search that the delay-load helper's
// LoadLibrary makes still starts in the program's folder, and userenv, wtsapi32 and oleacc are
// not known DLLs on Vista and 7. So each is loaded by its full path in the system folder, its
// own imports searched from there first. The common controls are left to the loader: the
// manifest's activation context picks version 6 from the side-by-side store, ahead of any
// folder.
FARPROC WINAPI LoadDelayedFromSystemFolder(unsigned notification, PDelayLoadInfo info)
{
    if (notification != dliNotePreLoadLibrary || !g_delayedFromSystemFolder || !info || !info->szDll) return nullptr;
    if (_stricmp(info->szDll, "comctl32.dll") == 0) return nullptr;
    wchar_t path[MAX_PATH] = {};
    const UINT folder = ::GetSystemDirectoryW(path, MAX_PATH);
    const size_t name = std::strlen(info->szDll);
    if (folder == 0 || folder + 1 + name >= MAX_PATH) return nullptr;
    path[folder] = L'\\';
    for (size_t i = 0; i <= name; ++i) path[folder + 1 + i] = static_cast<unsigned char>(info->szDll[i]);
    // Owned by the delay-load helper from here on, as the module it would have loaded itself.
    return reinterpret_cast<FARPROC>(::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace

// The delay-load helper asks this hook before each load it makes. (The platform's SDK declares
// it const, mingw-w64's does not.)
extern "C" {
#if defined(_MSC_VER)
const PfnDliHook __pfnDliNotifyHook2 = LoadDelayedFromSystemFolder;
#else
PfnDliHook __pfnDliNotifyHook2 = LoadDelayedFromSystemFolder;
#endif
}

void RestrictDllSearchToSystemFolder(PFN_SetDefaultDllDirectories setDefaultDllDirectories)
{
    // Windows 8, and Vista and 7 with the update that brought it.
    if (setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    ::SetDllDirectoryW(L"");
    g_delayedFromSystemFolder = true;
}
