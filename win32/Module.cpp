#include "win32/Module.h"

#include <vector>

std::wstring ModulePath(HMODULE module)
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) return std::wstring(path.data(), length);
        path.resize(path.size() * 2);  // cut short: a longer path than MAX_PATH
    }
}

HMODULE ModuleContaining(const void* address)
{
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCWSTR>(address), &module);
    return module;
}

std::wstring BesideModule(HMODULE module, const wchar_t* fileName)
{
    const std::wstring path = ModulePath(module);
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1) + fileName;
}

std::wstring BesideThisModule(const wchar_t* fileName)
{
    const HMODULE self = ModuleContaining(reinterpret_cast<const void*>(&BesideThisModule));
    return self ? BesideModule(self, fileName) : std::wstring();
}

std::wstring FolderOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}
