#include "CString.h"

#include <cstdarg>
#include <cstdio>
#include <cwctype>

CString& CString::TrimRight()
{
    size_t end = m_str.size();
    while (end > 0 && std::iswspace(m_str[end - 1])) --end;
    m_str.erase(end);
    return *this;
}

CString& CString::TrimLeft()
{
    size_t start = 0;
    while (start < m_str.size() && std::iswspace(m_str[start])) ++start;
    m_str.erase(0, start);
    return *this;
}

// printf-style, as MFC's Format; every caller passes a literal format.
void CString::Format(LPCWSTR pszFormat, ...)  // NOLINT(cert-dcl50-cpp)
{
    va_list args;
    va_start(args, pszFormat);
    va_list sizing;
    va_copy(sizing, args);
    const int length = _vscwprintf(pszFormat, sizing);
    va_end(sizing);
    if (length < 0) {
        m_str.clear();
    } else {
        m_str.assign(static_cast<size_t>(length) + 1, L'\0');
        _vsnwprintf(m_str.data(), m_str.size(), pszFormat, args);
        m_str.resize(static_cast<size_t>(length));
    }
    va_end(args);
}
