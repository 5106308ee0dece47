#pragma once
// The product's identity, spelt once: its name and texts, the toasts' id and activator, its files,
// its Start-menu entry, and the registry key it shares with the update service. The program, the
// toast library, the bench, the tests and the package's checks all read it here.

#include <windows.h>

// The window's title and text, the toast's title, the id's display name, the Start-menu entry.
inline constexpr wchar_t kWindowTitle[] = L"Mobile Broadband Update";
inline constexpr wchar_t kStartMenuEntryName[] = L"Mobile Broadband Update";
inline constexpr wchar_t kToastText[] = L"New version of drivers and firmware package is available for download.";

// The toasts' application user model id, and their COM activator, fixed: the registry names it.
inline constexpr wchar_t kAppUserModelId[] = L"Brenlo.KESH.UI";
inline constexpr CLSID kToastActivatorClsid = { 0x2095b242, 0x0b32, 0x46f2, { 0xbf, 0xc9, 0x5d, 0x57, 0xc1, 0xb0, 0x88, 0xc6 } };
inline constexpr wchar_t kToastActivatorClsidText[] = L"{2095B242-0B32-46F2-BFC9-5D57C1B088C6}";

// The binaries, which find each other in one folder.
inline constexpr wchar_t kProgramFileName[] = L"KeshUI.exe";
inline constexpr wchar_t kUserStateHelperFileName[] = L"KeshUIUserState.exe";
inline constexpr wchar_t kToastLibraryFileName[] = L"ToastHost.dll";
inline constexpr wchar_t kToastHostFileName[] = L"ToastHost.exe";

// The key under HKEY_LOCAL_MACHINE shared with the update service: the service's latest server
// response (empty, or the update page's address), and the response last announced.
inline constexpr wchar_t kUpdateSettingsKey[] = L"Software\\Brenlo Inc\\KESH";
inline constexpr wchar_t kServerResponseValueName[] = L"LastSrvrRespWL";
inline constexpr wchar_t kLastShownResponseValueName[] = L"Last_KESHUI_WL";
