#include "win32/WindowsVersion.h"

#include "win32/Module.h"

WindowsVersion RealWindowsVersion()
{
    using PFN_RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto rtlGetVersion = LookUp<PFN_RtlGetVersion>(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!rtlGetVersion || rtlGetVersion(&info) != 0) return {};
    return { info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber };
}
