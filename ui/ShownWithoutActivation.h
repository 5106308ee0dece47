#pragma once
// The pop-up never takes the keyboard, so that no keystroke meant for the program the user works
// in (an Escape that would close it unread) reaches it. Until it has been shown, every change of
// its position is made without activation, and no activation or focus is let through (a thread
// hook); from then on it is a window like any other.

#include <windows.h>

class ShownWithoutActivation {
public:
    ShownWithoutActivation() = default;
    ~ShownWithoutActivation() { End(); }
    ShownWithoutActivation(const ShownWithoutActivation&) = delete;
    ShownWithoutActivation& operator=(const ShownWithoutActivation&) = delete;

    // From now on, on the calling (window) thread, until End: `window` takes neither activation
    // nor focus. One window at a time.
    void Begin(HWND window);
    // For WM_WINDOWPOSCHANGING: while it lasts, the change does not activate.
    void Adjust(WINDOWPOS& position) const
    {
        if (m_window) position.flags |= SWP_NOACTIVATE;
    }
    // Once the window is shown, or has handled its first message: a window like any other.
    void End();
    bool Guarding() const { return m_window != nullptr; }

private:
    HWND m_window = nullptr;
};
