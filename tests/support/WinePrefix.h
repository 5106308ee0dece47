#pragma once
// What the test prefix makes Wine report: the Windows version a program sees.

#include <windows.h>

#include <string>

namespace kesh_test {

// The Windows version Wine reports to programs started while the object lives: one Wine names
// ("win8") to programs of that file name; or, with no program, a numbered one ("10.0.14393") to
// every program, which Wine reads from CurrentVersion once the prefix's own default is set aside.
class ReportedWindowsVersion {
public:
    ReportedWindowsVersion(const wchar_t* program, const wchar_t* version);
    ~ReportedWindowsVersion();
    ReportedWindowsVersion(const ReportedWindowsVersion&) = delete;
    ReportedWindowsVersion& operator=(const ReportedWindowsVersion&) = delete;

private:
    std::wstring m_key;
    std::wstring m_default, m_number, m_build;  // what a numbered version replaced
};

}  // namespace kesh_test
