#pragma once
// The registry key the program shares with the update service, as each test wants it.

#include <windows.h>

#include <string>

namespace kesh_test {

// Removes the shared key (and with it both values).
void DeleteSettingsKey();
// Stores raw bytes of any type and size as a value of the shared key, creating the key.
void SetSettingRaw(LPCWSTR name, DWORD type, const void* data, DWORD bytes);
void SetSettingString(LPCWSTR name, const std::wstring& value);  // REG_SZ with terminator
// The stored value as REG_SZ text; false when missing or of another type.
bool GetSettingString(LPCWSTR name, std::wstring& value);
// Last_KESHUI_WL as stored, or "<none>".
std::wstring LastShownResponse();

// Each test starts with no key, and leaves none behind.
class SettingsKeyGuard {
public:
    SettingsKeyGuard() { DeleteSettingsKey(); }
    ~SettingsKeyGuard() { DeleteSettingsKey(); }
};

}  // namespace kesh_test
