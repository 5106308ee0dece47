#pragma once
// The user's notification state, as the shell keeps it (SHQueryUserNotificationState).

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
