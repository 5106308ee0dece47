#include "toasthost/AppIdentity.h"

#include "framework/ScopedHandle.h"
#include "toasthost/HostCommandLine.h"
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

// Windows 10 1809: the first build that shows an unpackaged program's toasts for an id named
// only in the registry. Before it the id must be carried by a Start-menu shortcut, or Show
// succeeds and nothing appears.
constexpr DWORD kFirstBuildWithoutShortcut = 17763;

// System.AppUserModel.ID and System.AppUserModel.ToastActivatorCLSID:
// {9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3} 5 and 26.
constexpr PROPERTYKEY kAppUserModelIdKey = { { 0x9f4c2855, 0x9f79, 0x4b39, { 0xa8, 0xd0, 0xe1, 0xd4, 0x2d, 0xe1, 0xd5, 0xf3 } }, 5 };
constexpr PROPERTYKEY kToastActivatorClsidKey = { { 0x9f4c2855, 0x9f79, 0x4b39, { 0xa8, 0xd0, 0xe1, 0xd4, 0x2d, 0xe1, 0xd5, 0xf3 } }, 26 };

struct Version {
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
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
    return { info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber };
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

// The activator's server, for COM to start when a toast is clicked with no host running.
void RegisterActivator(HKEY user)
{
    const std::wstring host = BesideThisModule(kHostFileName);
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

// Points the link at the program and gives it the id and the activator, the two properties the
// shell reads from a shortcut.
bool Describe(IShellLinkW* link, const std::wstring& program, const wchar_t* appId)
{
    const std::wstring folder = program.substr(0, program.find_last_of(L'\\'));
    if (FAILED(link->SetPath(program.c_str())) || FAILED(link->SetArguments(L"")) ||
        FAILED(link->SetWorkingDirectory(folder.c_str()))) {
        return false;
    }
    ComPtr<IPropertyStore> properties;
    if (FAILED(link->QueryInterface(IID_IPropertyStore, properties.receiveVoid()))) return false;
    PROPVARIANT id = {};
    const size_t bytes = (std::wcslen(appId) + 1) * sizeof(wchar_t);
    id.vt = VT_LPWSTR;
    id.pwszVal = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
    PROPVARIANT activator = {};
    activator.vt = VT_CLSID;
    activator.puuid = static_cast<CLSID*>(::CoTaskMemAlloc(sizeof(CLSID)));
    bool stored = false;
    if (id.pwszVal && activator.puuid) {
        std::memcpy(id.pwszVal, appId, bytes);
        *activator.puuid = kToastActivatorClsid;
        stored = SUCCEEDED(properties->SetValue(kAppUserModelIdKey, id)) &&
                 SUCCEEDED(properties->SetValue(kToastActivatorClsidKey, activator)) &&
                 SUCCEEDED(properties->Commit());
    }
    ::PropVariantClear(&id);
    ::PropVariantClear(&activator);
    return stored;
}

// The link's target, as stored.
std::wstring TargetOf(IShellLinkW* link)
{
    wchar_t target[MAX_PATH] = {};
    return SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) ? target : L"";
}

// Whether a target is the program or its host, wherever they stood: a shortcut of ours.
bool IsOurs(const std::wstring& target)
{
    const size_t slash = target.find_last_of(L'\\');
    const wchar_t* name = target.c_str() + (slash == std::wstring::npos ? 0 : slash + 1);
    return _wcsicmp(name, kProgramFileName) == 0 || _wcsicmp(name, kHostFileName) == 0;
}

// The Start-menu shortcut that carries the id (Windows 8, 8.1 and 10 before 1809): the program's
// entry, opened from Start as the interactive check. True when one of ours was there already
// (pointed at the program now, if it pointed elsewhere: the shell knows its id); false when it
// had to be made, or could be neither made nor corrected.
bool ShortcutKnownToTheShell(const wchar_t* appId, const wchar_t* displayName)
{
    const std::wstring programs = KnownFolder(FOLDERID_Programs);
    const std::wstring program = BesideThisModule(kProgramFileName);
    if (programs.empty() || program.empty()) return false;
    const std::wstring path = programs + L"\\" + FileNameOf(displayName) + L".lnk";

    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.receiveVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.receiveVoid()))) {
        return false;
    }
    const bool existed = ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (existed) {
        // Someone else's shortcut under our name stays as it is; it carries no id of ours.
        if (FAILED(file->Load(path.c_str(), STGM_READWRITE))) return false;
        const std::wstring target = TargetOf(link.get());
        if (!IsOurs(target)) return false;
        if (_wcsicmp(target.c_str(), program.c_str()) == 0) return true;
    }
    return Describe(link.get(), program, appId) && SUCCEEDED(file->Save(path.c_str(), TRUE)) && existed;
}

}  // namespace

std::wstring BesideThisModule(const wchar_t* fileName)
{
    HMODULE self = nullptr;
    wchar_t path[MAX_PATH] = {};
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&BesideThisModule), &self)) {
        return std::wstring();
    }
    const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    const std::wstring module(path, length);
    return module.substr(0, module.find_last_of(L'\\') + 1) + fileName;
}

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
        if (version.build < kFirstBuildWithoutShortcut) return ShortcutKnownToTheShell(appId, displayName);
    } else if (version.major == 6 && (version.minor == 2 || version.minor == 3)) {
        return ShortcutKnownToTheShell(appId, displayName);
    }
    return true;
}

}  // namespace toasthost
