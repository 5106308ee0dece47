#pragma once
// A counted, growable UTF-16 string with the few CString operations the program uses.

#include <windows.h>
#include <string>

class CString {
public:
    CString() = default;
    // Implicit on purpose, as in MFC: a literal is passed wherever a CString is taken.
    // cppcheck-suppress noExplicitConstructor
    CString(LPCWSTR psz) : m_str(psz ? psz : L"") {}  // NOLINT(google-explicit-constructor)

    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    operator LPCWSTR() const { return m_str.c_str(); }

    // Ordinal, case-sensitive comparison, code unit by code unit.
    bool operator==(const CString& other) const { return m_str == other.m_str; }

    CString& operator+=(LPCWSTR psz)
    {
        m_str += psz ? psz : L"";
        return *this;
    }

    // White space is the C library's wide space class (iswspace), as the platform's CString trims.
    CString& TrimRight();
    CString& TrimLeft();

    void Format(LPCWSTR pszFormat, ...);

private:
    std::wstring m_str;
};
