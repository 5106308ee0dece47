#pragma once
// Owners of drawing resources: a GDI object (bitmap, region, brush, font), an icon made for the
// caller, a window's drawing context.

#include "win32/ScopedHandle.h"

#include <windows.h>

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { ::DeleteObject(object); }
};
template <typename T>
using ScopedGdiObject = ScopedResource<T, GdiObjectDeleter>;

struct IconDestroyer {
    void operator()(HICON icon) const { ::DestroyIcon(icon); }
};
using ScopedIcon = ScopedResource<HICON, IconDestroyer>;

// GetDC's context of a window (null: the screen), released with the window it came from.
class WindowDC {
public:
    explicit WindowDC(HWND window) : m_window(window), m_dc(::GetDC(window)) {}
    ~WindowDC() { if (m_dc) ::ReleaseDC(m_window, m_dc); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return m_dc; }

private:
    const HWND m_window;
    const HDC m_dc;
};
