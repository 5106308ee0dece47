#include "win32/HiddenWindow.h"

#include <utility>

HiddenWindow::HiddenWindow(HINSTANCE module, const wchar_t* windowClass, Handler handler)
    : m_module(module), m_class(windowClass), m_handler(std::move(handler))
{
    WNDCLASSEXW description = {};
    description.cbSize = sizeof(description);
    description.lpfnWndProc = &HiddenWindow::WindowProc;
    description.hInstance = module;
    description.lpszClassName = windowClass;
    if (!::RegisterClassExW(&description) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;
    m_window = ::CreateWindowExW(WS_EX_TOOLWINDOW, windowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, module, this);
}

HiddenWindow::~HiddenWindow()
{
    if (m_window) ::DestroyWindow(m_window);
    ::UnregisterClassW(m_class, m_module);
}

LRESULT CALLBACK HiddenWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    const auto* self = reinterpret_cast<const HiddenWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && self->m_handler && self->m_handler(message, wParam, lParam)) return 0;
    return ::DefWindowProcW(window, message, wParam, lParam);
}
