#pragma once
// The file names of the binaries beside this library, which find each other in one folder.

namespace toasthost {

// The host process the library starts as the user it acts for.
inline constexpr wchar_t kHostFileName[] = L"ToastHost.exe";
// The program whose announcements these are.
inline constexpr wchar_t kProgramFileName[] = L"KeshUI.exe";

}  // namespace toasthost
