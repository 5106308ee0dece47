#pragma once
// The accessibility interface ids, defined here: mingw-w64's oleacc import library also exports
// them as data, and whichever of it and the uuid library the linker meets first wins, so that
// IID_IAccessible can end up bound to an import thunk (a garbage id).

#include <windows.h>

inline constexpr IID kIID_IAccessible = { 0x618736e0, 0x3c3d, 0x11cf, { 0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71 } };
inline constexpr IID kIID_IAccIdentity = { 0x7852b78d, 0x1cfd, 0x41c1, { 0xa6, 0x15, 0x9c, 0x0c, 0x85, 0x96, 0x0b, 0x5f } };
inline constexpr IID kIID_IAccPropServices = { 0x6e26e776, 0x04f0, 0x495d, { 0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69 } };
inline constexpr CLSID kCLSID_AccPropServices = { 0xb5f8350b, 0x0548, 0x48b1, { 0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7 } };

// The pop-up's announcement: an object id of the status line's own (ids above zero are the
// window's to define), under which it answers as an alert.
inline constexpr LONG kAlertObjectId = 1;
