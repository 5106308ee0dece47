#include "win32/Foreground.h"

#include "win32/Module.h"

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

void LetThroughFromBelow(HWND window, UINT message)
{
    using PFN_ChangeWindowMessageFilterEx = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    using PFN_ChangeWindowMessageFilter = BOOL(WINAPI*)(UINT, DWORD);
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW, and MSGFLT_ADD of the older call
    if (const auto forWindow = LookUp<PFN_ChangeWindowMessageFilterEx>(user32, "ChangeWindowMessageFilterEx")) {
        forWindow(window, message, kAllow, nullptr);
    } else if (const auto forProcess = LookUp<PFN_ChangeWindowMessageFilter>(user32, "ChangeWindowMessageFilter")) {
        forProcess(message, kAllow);
    }
}
