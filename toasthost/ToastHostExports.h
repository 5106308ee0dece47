#pragma once
// ToastHost.dll's interface: the four functions it exports, by name, and their types. It is the
// contract between two binaries, declared here once for the library that implements it and for
// everything that loads it (the program's adapter, the tests, the bench, the test double).
//
// Called from one thread (the caller's window thread), in the order Init, GetVisibility,
// DisplayToastNotification, UnInit; the last two may be called while impersonating a user.

#include <windows.h>

// An implementation that exports by attribute rather than by a module-definition file defines
// this as __declspec(dllexport) before including the header.
#ifndef TOASTHOST_EXPORT
#define TOASTHOST_EXPORT
#endif

extern "C" {
// Non-zero: the library is ready, and the other three may be called.
TOASTHOST_EXPORT int WINAPI Init();
// Takes down what Init prepared and what was announced; nothing may be called afterwards.
TOASTHOST_EXPORT void WINAPI UnInit();
// Announces the title and text for the application user model id; a click brings `owner` back.
TOASTHOST_EXPORT void WINAPI DisplayToastNotification(LPCWSTR title, LPCWSTR text, LPCWSTR appUserModelId,
                                                      HWND owner);
// Non-zero when the out-values are valid: `toastMayShow` non-zero when a toast may be shown now,
// `balloonMayShow` when only the notification-area balloon may; `userState` (8 bytes) is the
// user's notification state as the library asked it (0: not asked, in a call as another user).
TOASTHOST_EXPORT int WINAPI GetVisibility(int* toastMayShow, int* balloonMayShow, LONGLONG* userState);
}

namespace toasthost {

using PFN_Init = decltype(&::Init);
using PFN_UnInit = decltype(&::UnInit);
using PFN_DisplayToastNotification = decltype(&::DisplayToastNotification);
using PFN_GetVisibility = decltype(&::GetVisibility);

inline constexpr char kInitExport[] = "Init";
inline constexpr char kUnInitExport[] = "UnInit";
inline constexpr char kDisplayToastNotificationExport[] = "DisplayToastNotification";
inline constexpr char kGetVisibilityExport[] = "GetVisibility";

}  // namespace toasthost
