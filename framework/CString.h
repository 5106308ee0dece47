#pragma once
// A counted, growable UTF-16 string with the few CString operations the program uses.

#include <windows.h>
#include <string>

class CString {
public:
    CString() = default;
    CString(LPCWSTR psz) : m_str(psz ? psz : L"") {}
    CString(LPCWSTR pch, int nLength) : m_str(pch, static_cast<size_t>(nLength)) {}

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    LPCWSTR GetString() const { return m_str.c_str(); }
    operator LPCWSTR() const { return m_str.c_str(); }
    wchar_t operator[](int i) const { return m_str[static_cast<size_t>(i)]; }

    // Ordinal, case-sensitive comparison, code unit by code unit.
    bool operator==(const CString& other) const { return m_str == other.m_str; }
    bool operator!=(const CString& other) const { return m_str != other.m_str; }

    CString& operator+=(LPCWSTR psz)
    {
        m_str += psz ? psz : L"";
        return *this;
    }
    friend CString operator+(CString left, LPCWSTR right) { return left += right; }

    // White space is the C library's wide space class (iswspace), as the platform's CString trims.
    CString& TrimRight();
    CString& TrimLeft();
    CString& Trim() { return TrimRight().TrimLeft(); }

    void Format(LPCWSTR pszFormat, ...);

private:
    std::wstring m_str;
};
