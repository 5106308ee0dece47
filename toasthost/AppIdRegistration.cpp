#include "toasthost/AppIdRegistration.h"

#include "product/ProductIdentity.h"
#include "toasthost/IconPng.h"
#include "toasthost/ToastActivator.h"
#include "win32/KnownFolder.h"
#include "win32/Module.h"
#include "win32/ScopedHandle.h"

#include <cwchar>
#include <string>

namespace toasthost {

namespace {

bool SetString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// Writes the value unless it already holds exactly that.
void KeepString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    wchar_t held[MAX_PATH + 3] = {};
    DWORD bytes = sizeof(held) - sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(held), &bytes) == ERROR_SUCCESS &&
        type == REG_SZ && value == held) {
        return;
    }
    SetString(key, name, value);
}

std::wstring ActivatorClassKey()
{
    return std::wstring(L"Software\\Classes\\CLSID\\") + kToastActivatorClsidText;
}

std::wstring IdKey(const wchar_t* appId)
{
    return std::wstring(L"Software\\Classes\\AppUserModelId\\") + appId;
}

// A string value, or empty.
std::wstring ReadString(HKEY root, const std::wstring& key, const wchar_t* name)
{
    wchar_t value[MAX_PATH + 3] = {};
    DWORD bytes = sizeof(value) - sizeof(wchar_t);
    return ::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &bytes) == ERROR_SUCCESS ? value : L"";
}

// The activator's server, for COM to start when a toast is clicked with no host running.
void RegisterActivator(HKEY user)
{
    const std::wstring host = BesideThisModule(kToastHostFileName);
    if (host.empty()) return;
    const std::wstring keyPath = ActivatorClassKey() + L"\\LocalServer32";
    ScopedRegKey key;
    if (::RegCreateKeyExW(user, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                          key.receive(), nullptr) == ERROR_SUCCESS) {
        KeepString(key.get(), nullptr, L"\"" + host + L"\"");
    }
}

}  // namespace

void RegisterInUserClasses(const wchar_t* appId, const wchar_t* displayName, HICON icon)
{
    // HKEY_CURRENT_USER is the process's user, cached: the impersonated user's hive is opened anew.
    ScopedRegKey user;
    if (::RegOpenCurrentUser(KEY_READ | KEY_WRITE, user.receive()) != ERROR_SUCCESS) return;
    const std::wstring keyPath = IdKey(appId);
    ScopedRegKey key;
    DWORD disposition = 0;
    if (::RegCreateKeyExW(user.get(), keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                          nullptr, key.receive(), &disposition) != ERROR_SUCCESS) {
        return;
    }
    if (::RegQueryValueExW(key.get(), L"DisplayName", nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        SetString(key.get(), L"DisplayName", displayName);
    }
    RegisterActivator(user.get());
    KeepString(key.get(), L"CustomActivator", kToastActivatorClsidText);
    if (::RegQueryValueExW(key.get(), L"IconUri", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) return;
    const std::wstring localData = CallingUsersKnownFolder(FOLDERID_LocalAppData);
    if (localData.empty()) return;
    const std::wstring folder = localData + L"\\" + appId;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring iconPath = folder + L"\\" + appId + L".png";
    if (WriteIconPng(icon, iconPath)) SetString(key.get(), L"IconUri", iconPath);
}

bool MachineRegistersThisInstallation(const wchar_t* appId)
{
    const std::wstring host = BesideThisModule(kToastHostFileName);
    return !host.empty() && _wcsicmp(ReadString(HKEY_LOCAL_MACHINE, IdKey(appId), L"CustomActivator").c_str(),
                                     kToastActivatorClsidText) == 0 &&
           _wcsicmp(ReadString(HKEY_LOCAL_MACHINE, ActivatorClassKey() + L"\\LocalServer32", nullptr).c_str(),
                    (L"\"" + host + L"\"").c_str()) == 0;
}

void RemoveUserRegistration(const wchar_t* appId)
{
    ScopedRegKey user;
    if (::RegOpenCurrentUser(KEY_READ | KEY_WRITE, user.receive()) != ERROR_SUCCESS) return;
    // Only the icon file this library made, in its own folder of the user's local data.
    const std::wstring localData = CallingUsersKnownFolder(FOLDERID_LocalAppData);
    const std::wstring folder = localData + L"\\" + appId;
    const std::wstring icon = ReadString(user.get(), IdKey(appId), L"IconUri");
    if (!localData.empty() && _wcsicmp(icon.c_str(), (folder + L"\\" + appId + L".png").c_str()) == 0) {
        ::DeleteFileW(icon.c_str());
        ::RemoveDirectoryW(folder.c_str());
    }
    ::RegDeleteTreeW(user.get(), IdKey(appId).c_str());
    ::RegDeleteTreeW(user.get(), ActivatorClassKey().c_str());
}

}  // namespace toasthost
