#pragma once
// The user's notification state, as the shell keeps it (SHQueryUserNotificationState), and what
// the shell's answer leaves out: Focus Assist / Do Not Disturb, and whether a "busy" is real.

#include <windows.h>
#include <shellapi.h>

// Values newer than Vista's headers: quiet time (Windows 7) and a Windows Store app in front (8).
inline constexpr QUERY_USER_NOTIFICATION_STATE kQunsQuietTime = static_cast<QUERY_USER_NOTIFICATION_STATE>(6);
inline constexpr QUERY_USER_NOTIFICATION_STATE kQunsApp = static_cast<QUERY_USER_NOTIFICATION_STATE>(7);

// Whether the state lets a notification through now. Presentation settings, a full-screen
// program or game, quiet time, a locked or switched-away session: not now. A Windows Store app
// in front still lets notifications through. A value this program does not know is not "now".
inline bool StateAcceptsNotifications(QUERY_USER_NOTIFICATION_STATE state)
{
    return state == QUNS_ACCEPTS_NOTIFICATIONS || state == kQunsApp;
}

// Whether the session has a taskbar: its shell keeps the state, and shows the notification area.
inline bool ShellTaskbarExists()
{
    return ::FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
}

// Focus Assist (Windows 10 1803 on) and Do Not Disturb (11) of the calling process's user: 0 off,
// 1 priority only, 2 alarms only. False where it cannot be read (an older Windows, or no answer).
// The shell says "accepts" meanwhile, and holds banners and balloons back itself.
bool ReadQuietHoursProfile(DWORD& profile);

// Whether the window in front covers the whole of its monitor, as a full-screen program's does
// (the desktop's own windows aside).
bool ForegroundWindowCoversItsMonitor();
