#pragma once
// A top-level window that is never shown, for what the system sends to top-level windows:
// broadcasts (a setting changed, the taskbar made anew), a notification icon's messages.

#include <windows.h>

#include <functional>

class HiddenWindow {
public:
    // Sees each message first; true when it took it (answered 0), false for the default.
    using Handler = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam)>;

    // Registers `windowClass` in `module` (once) and makes the window on the calling thread; get()
    // is null when it could not be made.
    HiddenWindow(HINSTANCE module, const wchar_t* windowClass, Handler handler);
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    HWND get() const { return m_window; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    const HINSTANCE m_module;
    const wchar_t* const m_class;
    const Handler m_handler;
    HWND m_window = nullptr;
};
