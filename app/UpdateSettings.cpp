#include "app/UpdateSettings.h"

#include "win32/ScopedHandle.h"

#include <cwchar>

namespace {
// Room for 255 characters and the terminator: longer values do not fit and read as empty.
constexpr DWORD kValueBufferChars = 256;
}

CString ReadUpdateSetting(LPCWSTR valueName)
{
    ScopedRegKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey, 0, KEY_READ, key.receive()) !=
        ERROR_SUCCESS) {
        return CString();
    }

    wchar_t buffer[kValueBufferChars];
    DWORD type = REG_NONE;
    DWORD size = sizeof(buffer);
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                           &size) != ERROR_SUCCESS) {
        return CString();
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return CString();
    if (size % sizeof(wchar_t) != 0) return CString();
    if (size == 0) return CString();
    if (buffer[size / sizeof(wchar_t) - 1] != L'\0') return CString();

    CString value(buffer);  // ends at the first terminator
    value.TrimRight();
    value.TrimLeft();
    return value;
}

bool WriteLastShownResponse(LPCWSTR text)
{
    ScopedRegKey key;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey, 0, nullptr,
                          REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, key.receive(),
                          nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const DWORD bytes = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.get(), kLastShownResponseValueName, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text), bytes) == ERROR_SUCCESS;
}
