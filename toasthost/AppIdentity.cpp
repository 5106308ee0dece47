#include "toasthost/AppIdentity.h"

#include "framework/ScopedHandle.h"
#include "toasthost/ToastActivator.h"
#include "toasthost/WinRtRuntime.h"

#include <knownfolders.h>
#include <propkey.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wincodec.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace toasthost {

namespace {

constexpr size_t kMaxAppIdLength = 128;

// System.AppUserModel.ID, {9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3} 5.
constexpr PROPERTYKEY kAppUserModelIdKey = { { 0x9f4c2855, 0x9f79, 0x4b39, { 0xa8, 0xd0, 0xe1, 0xd4, 0x2d, 0xe1, 0xd5, 0xf3 } }, 5 };

struct Version {
    DWORD major = 0;
    DWORD minor = 0;
};

// The real version: GetVersionEx answers what the host's manifest lets it see.
Version WindowsVersion()
{
    using PFN_RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto rtlGetVersion = ntdll ? reinterpret_cast<PFN_RtlGetVersion>(
                                           reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
                                     : nullptr;
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!rtlGetVersion || rtlGetVersion(&info) != 0) return {};
    return { info.dwMajorVersion, info.dwMinorVersion };
}

// The impersonation token of the calling thread, or null (the process's own user).
HANDLE ThreadToken()
{
    HANDLE token = nullptr;
    if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY | TOKEN_IMPERSONATE, TRUE, &token)) return nullptr;
    return token;
}

std::wstring KnownFolder(const KNOWNFOLDERID& id)
{
    const ScopedHandle token(ThreadToken());
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_CREATE, token.get(), &path))) folder = path;
    ::CoTaskMemFree(path);
    return folder;
}

// A display name made fit to be a file name.
std::wstring FileNameOf(const wchar_t* name)
{
    std::wstring fileName;
    for (const wchar_t* p = name; *p; ++p) {
        if (*p >= 0x20 && !std::wcschr(L"\\/:*?\"<>|", *p)) fileName += *p;
    }
    return fileName.empty() ? std::wstring(L"Notifications") : fileName;
}

// The program's large icon as a PNG file: the shell shows a toast's icon from an image file.
bool WriteIconPng(HICON icon, const std::wstring& path)
{
    if (!icon) return false;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmap> bitmap;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    const bool written =
        SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                     factory.receiveVoid())) &&
        SUCCEEDED(factory->CreateBitmapFromHICON(icon, bitmap.receive())) &&
        SUCCEEDED(factory->CreateStream(stream.receive())) &&
        SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.receive())) &&
        SUCCEEDED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(frame.receive(), nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
        SUCCEEDED(frame->WriteSource(bitmap.get(), nullptr)) && SUCCEEDED(frame->Commit()) &&
        SUCCEEDED(encoder->Commit());
    stream.reset();
    if (!written) ::DeleteFileW(path.c_str());
    return written;
}

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

// ToastHost.exe beside the module this code is in (the library, or the host itself).
std::wstring HostPath()
{
    HMODULE self = nullptr;
    wchar_t path[MAX_PATH] = {};
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&HostPath), &self)) {
        return std::wstring();
    }
    const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    std::wstring host(path, length);
    return host.substr(0, host.find_last_of(L'\\') + 1) + L"ToastHost.exe";
}

// The activator's server, for COM to start when a toast is clicked with no host running.
void RegisterActivator(HKEY user)
{
    const std::wstring host = HostPath();
    if (host.empty()) return;
    const std::wstring keyPath = std::wstring(L"Software\\Classes\\CLSID\\") + kToastActivatorClsidText + L"\\LocalServer32";
    ScopedRegKey key;
    if (::RegCreateKeyExW(user, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                          key.receive(), nullptr) == ERROR_SUCCESS) {
        KeepString(key.get(), nullptr, L"\"" + host + L"\"");
    }
}

void RegisterInUserClasses(const wchar_t* appId, const wchar_t* displayName, HICON icon)
{
    // HKEY_CURRENT_USER is the process's user, cached: the impersonated user's hive is opened anew.
    ScopedRegKey user;
    if (::RegOpenCurrentUser(KEY_READ | KEY_WRITE, user.receive()) != ERROR_SUCCESS) return;
    const std::wstring keyPath = std::wstring(L"Software\\Classes\\AppUserModelId\\") + appId;
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
    const std::wstring localData = KnownFolder(FOLDERID_LocalAppData);
    if (localData.empty()) return;
    const std::wstring folder = localData + L"\\" + appId;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring iconPath = folder + L"\\" + appId + L".png";
    if (WriteIconPng(icon, iconPath)) SetString(key.get(), L"IconUri", iconPath);
}

// True when the shortcut was there before this call; otherwise it is made, if it can be.
bool ShortcutExisted(const wchar_t* appId, const wchar_t* displayName)
{
    const std::wstring programs = KnownFolder(FOLDERID_Programs);
    if (programs.empty()) return false;
    const std::wstring path = programs + L"\\" + FileNameOf(displayName) + L".lnk";
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;

    wchar_t host[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, host, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;

    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.receiveVoid())) ||
        FAILED(link->SetPath(host))) {
        return false;
    }
    const ComPtr<IPropertyStore> properties = link.as<IPropertyStore>(IID_IPropertyStore);
    if (!properties) return false;
    PROPVARIANT id = {};
    const size_t bytes = (std::wcslen(appId) + 1) * sizeof(wchar_t);
    id.vt = VT_LPWSTR;
    id.pwszVal = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
    if (!id.pwszVal) return false;
    std::memcpy(id.pwszVal, appId, bytes);
    const bool stored = SUCCEEDED(properties->SetValue(kAppUserModelIdKey, id)) && SUCCEEDED(properties->Commit());
    ::PropVariantClear(&id);
    const ComPtr<IPersistFile> file = link.as<IPersistFile>(IID_IPersistFile);
    if (stored && file) file->Save(path.c_str(), TRUE);
    return false;
}

}  // namespace

DWORD WindowsMajorVersion()
{
    return WindowsVersion().major;
}

bool IsUsableAppId(const wchar_t* appId)
{
    if (!appId || !*appId) return false;
    const size_t length = std::wcslen(appId);
    return length <= kMaxAppIdLength && !std::wcschr(appId, L'\\') && !std::wcschr(appId, L' ') &&
           !std::wcschr(appId, L'/');
}

bool RegisterAppIdentity(const wchar_t* appId, const wchar_t* displayName, HICON icon)
{
    if (!IsUsableAppId(appId)) return false;
    const Version version = WindowsVersion();
    if (version.major >= 10) {
        RegisterInUserClasses(appId, displayName, icon);
    } else if (version.major == 6 && (version.minor == 2 || version.minor == 3)) {
        return ShortcutExisted(appId, displayName);
    }
    return true;
}

}  // namespace toasthost
