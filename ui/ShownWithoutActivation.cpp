#include "ui/ShownWithoutActivation.h"

namespace {

// A thread hook learns nothing of who set it: the one window it guards, and the hook.
HWND g_guarded = nullptr;
HHOOK g_hook = nullptr;

LRESULT CALLBACK RefuseActivation(int code, WPARAM wParam, LPARAM lParam)
{
    const HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && window == g_guarded) return 1;
    if (code == HCBT_SETFOCUS && g_guarded && ::IsChild(g_guarded, window)) return 1;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void ShownWithoutActivation::Begin(HWND window)
{
    m_window = g_guarded = window;
    if (!g_hook) g_hook = ::SetWindowsHookExW(WH_CBT, &RefuseActivation, nullptr, ::GetCurrentThreadId());
}

void ShownWithoutActivation::End()
{
    if (!m_window) return;
    m_window = g_guarded = nullptr;
    if (g_hook) ::UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
}
