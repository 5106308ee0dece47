#pragma once
// The program's picture as a PNG file: the shell shows a toast's icon only from an image file.

#include <windows.h>

#include <string>

namespace toasthost {

// Writes the icon to `path`; false (and no file) when it cannot.
bool WriteIconPng(HICON icon, const std::wstring& path);

}  // namespace toasthost
