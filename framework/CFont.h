#pragma once
// Owns one font handle and deletes it when destroyed.

#include "win32/Gdi.h"

#include <windows.h>

class CFont {
public:
    BOOL CreateFontIndirect(const LOGFONTW* lpLogFont)
    {
        m_font.reset(::CreateFontIndirectW(lpLogFont));
        return m_font ? TRUE : FALSE;
    }
    operator HFONT() const { return m_font.get(); }

private:
    ScopedGdiObject<HFONT> m_font;
};
