#include "toasthost/StartMenuShortcut.h"

#include "product/ProductIdentity.h"
#include "toasthost/ToastActivator.h"
#include "win32/ComPtr.h"
#include "win32/KnownFolder.h"
#include "win32/Module.h"

#include <propkey.h>
#include <shobjidl.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace toasthost {

namespace {

// System.AppUserModel.ID and System.AppUserModel.ToastActivatorCLSID:
// {9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3} 5 and 26.
constexpr PROPERTYKEY kAppUserModelIdKey = { { 0x9f4c2855, 0x9f79, 0x4b39, { 0xa8, 0xd0, 0xe1, 0xd4, 0x2d, 0xe1, 0xd5, 0xf3 } }, 5 };
constexpr PROPERTYKEY kToastActivatorClsidKey = { { 0x9f4c2855, 0x9f79, 0x4b39, { 0xa8, 0xd0, 0xe1, 0xd4, 0x2d, 0xe1, 0xd5, 0xf3 } }, 26 };

// A display name made fit to be a file name.
std::wstring FileNameOf(const wchar_t* name)
{
    std::wstring fileName;
    for (const wchar_t* p = name; *p; ++p) {
        if (*p >= 0x20 && !std::wcschr(L"\\/:*?\"<>|", *p)) fileName += *p;
    }
    return fileName.empty() ? std::wstring(L"Notifications") : fileName;
}

// Points the link at the program and gives it the id and the activator, the two properties the
// shell reads from a shortcut.
bool Describe(IShellLinkW* link, const std::wstring& program, const wchar_t* appId)
{
    if (FAILED(link->SetPath(program.c_str())) || FAILED(link->SetArguments(L"")) ||
        FAILED(link->SetWorkingDirectory(FolderOf(program).c_str()))) {
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
    return _wcsicmp(name, kProgramFileName) == 0 || _wcsicmp(name, kToastHostFileName) == 0;
}

struct Link {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
};

// A shell link object, loaded from `path` when given (false if that fails), or empty.
bool OpenLink(Link& link, const std::wstring& path, DWORD mode)
{
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  link.link.receiveVoid())) ||
        FAILED(link.link->QueryInterface(IID_IPersistFile, link.file.receiveVoid()))) {
        return false;
    }
    return path.empty() || SUCCEEDED(link.file->Load(path.c_str(), mode));
}

// The link's stored target, or empty when there is no such file or it is no link.
std::wstring TargetAt(const std::wstring& path)
{
    Link link;
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES || !OpenLink(link, path, STGM_READ)) return L"";
    return TargetOf(link.link.get());
}

}  // namespace

IdentityKnown ShortcutKnownToTheShell(const wchar_t* appId, const wchar_t* displayName, bool installed)
{
    const std::wstring program = BesideThisModule(kProgramFileName);
    const std::wstring fileName = L"\\" + FileNameOf(displayName) + L".lnk";
    const std::wstring programs = CallingUsersKnownFolder(FOLDERID_Programs);
    if (program.empty() || programs.empty()) return IdentityKnown::No;
    const std::wstring path = programs + fileName;

    // The installer's entry, in every user's Start menu, carries the id for this very program:
    // the shell knows it from the moment it was installed. A second entry of the user's own would
    // only list the program twice, so one left from before goes. (An entry without the machine's
    // registration beside it may carry no id: an older package's, or one the installer could not
    // give the properties.)
    if (installed) {
        const std::wstring allUsers = CallingUsersKnownFolder(FOLDERID_CommonPrograms);
        if (allUsers.empty() || _wcsicmp(TargetAt(allUsers + fileName).c_str(), program.c_str()) != 0) {
            return IdentityKnown::No;
        }
        if (IsOurs(TargetAt(path))) ::DeleteFileW(path.c_str());
        return IdentityKnown::Yes;
    }

    const bool existed = ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    Link link;
    if (!OpenLink(link, existed ? path : std::wstring(), STGM_READWRITE)) return IdentityKnown::No;
    if (existed) {
        // Someone else's shortcut under our name stays as it is; it carries no id of ours.
        const std::wstring target = TargetOf(link.link.get());
        if (!IsOurs(target)) return IdentityKnown::No;
        if (_wcsicmp(target.c_str(), program.c_str()) == 0) return IdentityKnown::Yes;
    }
    if (!Describe(link.link.get(), program, appId) || FAILED(link.file->Save(path.c_str(), TRUE))) return IdentityKnown::No;
    return existed ? IdentityKnown::Yes : IdentityKnown::NotYet;
}

}  // namespace toasthost
