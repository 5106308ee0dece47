#pragma once

#include <windows.h>

// Posted by the response waiter: wParam 1 when the service answered, 0 when it did not in time.
inline constexpr UINT WM_SERVER_RESPONSE = WM_APP + 101;

// How long the response waiter waits for the service's answer.
inline constexpr DWORD kServerResponseTimeoutMs = 60000;
