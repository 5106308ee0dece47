#include "SettingsKey.h"

#include "app/UpdateSettings.h"
#include "service/UpdateServiceContract.h"
#include "win32/ScopedHandle.h"

#include <gtest/gtest.h>

namespace kesh_test {

void DeleteSettingsKey()
{
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey);
}

void SetSettingRaw(LPCWSTR name, DWORD type, const void* data, DWORD bytes)
{
    ScopedRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey, 0, nullptr, 0,
                                               KEY_ALL_ACCESS, nullptr, key.receive(), nullptr));
    // The platform counts a terminator the caller left out when one follows the data in memory;
    // non-zero bytes after the data keep it exactly as given.
    std::vector<BYTE> buffer(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + bytes);
    buffer.insert(buffer.end(), { 'X', 'X', 'X', 'X' });
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key.get(), name, 0, type, buffer.data(), bytes));
}

void SetSettingString(LPCWSTR name, const std::wstring& value)
{
    SetSettingRaw(name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

bool GetSettingString(LPCWSTR name, std::wstring& value)
{
    ScopedRegKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey, 0, KEY_READ, key.receive()) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ) {
        return false;
    }
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes) !=
        ERROR_SUCCESS) {
        return false;
    }
    value.assign(data.data());
    return true;
}

std::wstring LastShownResponse()
{
    std::wstring value;
    return GetSettingString(kLastShownResponseValueName, value) ? value : L"<none>";
}

}  // namespace kesh_test
