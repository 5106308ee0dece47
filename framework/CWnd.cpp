#include "CWnd.h"

#include "CFont.h"

void CWnd::SetFont(CFont* pFont, BOOL bRedraw)
{
    const HFONT hFont = pFont ? static_cast<HFONT>(*pFont) : nullptr;
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), bRedraw);
}
