#pragma once
// The build's programs and files, and files the tests make and read.

#include <windows.h>

#include <string>
#include <vector>

namespace kesh_test {

std::wstring ExeDirectory();                    // folder of the running test program
std::wstring BinPath(const std::wstring& name);  // a program of this build (bin\, beside the tests)
std::wstring TempDirectory(const std::wstring& name);  // a fresh, empty folder under %TEMP%
bool CopyFileTo(const std::wstring& from, const std::wstring& to);
std::wstring ReadUtf16File(const std::wstring& path);
std::vector<std::wstring> SplitLines(const std::wstring& text);

}  // namespace kesh_test
