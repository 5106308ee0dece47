#pragma once

#include <windows.h>

// Restricts the DLL search of the whole process to the system folder, so that a DLL planted in
// the program's folder, the current folder or on PATH is never loaded by a bare name: the
// program may run as LocalSystem, and its delay-loaded system DLLs are not all known DLLs.
// Explicit searches (LoadLibraryExW with LOAD_LIBRARY_SEARCH_* flags) keep their own folders.

using PFN_SetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);

// The system's SetDefaultDllDirectories, or null where this Windows lacks it (Vista and 7
// without the update KB2533623). Defined apart from the rest, so that a test build can stand in
// for such a system.
PFN_SetDefaultDllDirectories FindSetDefaultDllDirectories();

// Without `setDefaultDllDirectories`, the current folder leaves the search, and the DLLs the
// program loads on first use are loaded by their full path in the system folder from then on.
void RestrictDllSearchToSystemFolder(PFN_SetDefaultDllDirectories setDefaultDllDirectories);
