#pragma once
// Modules and the files beside them.

#include <windows.h>

#include <string>

// A function of a loaded module, typed; null when the module does not export it.
template <typename Function>
Function LookUp(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

// The full path of a loaded module (null: the process's executable), or empty.
std::wstring ModulePath(HMODULE module);

// The module (executable or DLL) that holds the given code or data; null when none does.
HMODULE ModuleContaining(const void* address);

// The full path of a file in the folder of a loaded module (null: the process's executable), or
// empty.
std::wstring BesideModule(HMODULE module, const wchar_t* fileName);

// The full path of a file in the folder of the binary this code is linked into (the program, a
// DLL, or another executable), or empty.
std::wstring BesideThisModule(const wchar_t* fileName);

// The folder part of a full path, without the last backslash.
std::wstring FolderOf(const std::wstring& path);
