#include "win32/NotificationState.h"

#include "win32/Module.h"

#include <cwchar>

namespace {

// The quiet-hours profile's state in the Windows Notification Facility (no documented way to read
// it before Windows 11's): WNF_SHEL_QUIETHOURS_ACTIVE_PROFILE_CHANGED, as public projects read it.
constexpr ULONGLONG kQuietHoursStateName = 0x0D83063EA3BF1C75ULL;
using PFN_NtQueryWnfStateData = LONG(NTAPI*)(const ULONGLONG* stateName, const void* typeId, const void* scope,
                                             ULONG* changeStamp, void* buffer, ULONG* bufferSize);

}  // namespace

bool ReadQuietHoursProfile(DWORD& profile)
{
    const auto query = LookUp<PFN_NtQueryWnfStateData>(::GetModuleHandleW(L"ntdll.dll"), "NtQueryWnfStateData");
    ULONG stamp = 0;
    ULONG bytes = sizeof(profile);
    profile = 0;
    return query && query(&kQuietHoursStateName, nullptr, nullptr, &stamp, &profile, &bytes) >= 0 &&
           bytes == sizeof(profile);
}

bool ForegroundWindowCoversItsMonitor()
{
    const HWND window = ::GetForegroundWindow();
    wchar_t windowClass[16] = {};
    if (!window || !::GetClassNameW(window, windowClass, 16) || std::wcscmp(windowClass, L"Progman") == 0 ||
        std::wcscmp(windowClass, L"WorkerW") == 0) {
        return false;
    }
    RECT rect = {};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    return ::GetWindowRect(window, &rect) &&
           ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONULL), &monitor) &&
           rect.left <= monitor.rcMonitor.left && rect.top <= monitor.rcMonitor.top &&
           rect.right >= monitor.rcMonitor.right && rect.bottom >= monitor.rcMonitor.bottom;
}
