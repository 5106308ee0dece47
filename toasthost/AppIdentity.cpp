#include "toasthost/AppIdentity.h"

#include "toasthost/AppIdRegistration.h"
#include "toasthost/StartMenuShortcut.h"
#include "win32/WindowsVersion.h"

#include <cwchar>

namespace toasthost {

namespace {

constexpr size_t kMaxAppIdLength = 128;

// Windows 10 1809: the first build that shows an unpackaged program's toasts for an id named
// only in the registry. Before it the id must be carried by a Start-menu shortcut, or Show
// succeeds and nothing appears.
constexpr DWORD kFirstBuildWithoutShortcut = 17763;

}  // namespace

bool IsUsableAppId(const wchar_t* appId)
{
    if (!appId || !*appId) return false;
    const size_t length = std::wcslen(appId);
    return length <= kMaxAppIdLength && !std::wcschr(appId, L'\\') && !std::wcschr(appId, L' ') &&
           !std::wcschr(appId, L'/');
}

IdentityKnown RegisterAppIdentity(const wchar_t* appId, const wchar_t* displayName, HICON icon)
{
    if (!IsUsableAppId(appId)) return IdentityKnown::No;
    const WindowsVersion version = RealWindowsVersion();
    // Installed by the MSI, the identity is the machine's: nothing goes into the user's hive or
    // profile, and what a run from the zip left there goes.
    const bool installed = MachineRegistersThisInstallation(appId);
    if (installed) RemoveUserRegistration(appId);
    if (version.major >= 10) {
        if (!installed) RegisterInUserClasses(appId, displayName, icon);
        if (version.build < kFirstBuildWithoutShortcut) return ShortcutKnownToTheShell(appId, displayName, installed);
    } else if (version.major == 6 && (version.minor == 2 || version.minor == 3)) {
        return ShortcutKnownToTheShell(appId, displayName, installed);
    }
    return IdentityKnown::Yes;
}

}  // namespace toasthost
