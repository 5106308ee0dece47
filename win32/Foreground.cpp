#include "win32/Foreground.h"

void BringWindowToFront(HWND window)
{
    if (!window || !::IsWindow(window)) return;
    if (::IsIconic(window)) ::ShowWindowAsync(window, SW_RESTORE);
    if (::SetForegroundWindow(window)) return;
    FLASHWINFO flash = {};
    flash.cbSize = sizeof(flash);
    flash.hwnd = window;
    flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
    ::FlashWindowEx(&flash);
}
