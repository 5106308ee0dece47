#pragma once
// Owns one font handle and deletes it when destroyed.

#include <windows.h>

class CFont {
public:
    CFont() = default;
    ~CFont() { DeleteObject(); }
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    BOOL CreateFontIndirect(const LOGFONTW* lpLogFont)
    {
        DeleteObject();
        m_hObject = ::CreateFontIndirectW(lpLogFont);
        return m_hObject != nullptr;
    }

    BOOL DeleteObject()
    {
        if (!m_hObject) return FALSE;
        const BOOL deleted = ::DeleteObject(m_hObject);
        m_hObject = nullptr;
        return deleted;
    }

    operator HFONT() const { return m_hObject; }

    HFONT m_hObject = nullptr;
};
