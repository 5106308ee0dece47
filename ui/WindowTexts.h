#pragma once
// Texts the update window shows. "\r\n" forces a line break in the status line; the other texts
// are wrapped by the control at word boundaries.

#include "product/ProductIdentity.h"  // kWindowTitle

inline constexpr wchar_t kStatusChecking[] = L"Checking for updates for your device,\r\nplease wait ...";
inline constexpr wchar_t kStatusNoConnection[] = L"Could not establish connection to the\r\nupdate server.";
inline constexpr wchar_t kStatusLatestVersion[] =
    L"You have the latest version of drivers and firmware available for your device.";
inline constexpr wchar_t kStatusNewerPackage[] =
    L"A newer version of drivers and firmware package is available for your device. Click here to proceed.";

// What assistive technology is told of the close mark and the link.
inline constexpr wchar_t kAccessibleCloseName[] = L"Close";
inline constexpr wchar_t kAccessiblePressAction[] = L"Press";
inline constexpr wchar_t kAccessibleOpenAction[] = L"Open";
