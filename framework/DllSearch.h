#pragma once

// Restricts the DLL search of the whole process to the system folder, so that a DLL planted in
// the program's folder, the current folder or on PATH is never loaded by a bare name: the
// program may run as LocalSystem, and its delay-loaded system DLLs are not all known DLLs.
// Explicit searches (LoadLibraryExW with LOAD_LIBRARY_SEARCH_* flags) keep their own folders.
void RestrictDllSearchToSystemFolder();
