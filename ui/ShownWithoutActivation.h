#pragma once
// The pop-up never takes the keyboard. The notification appears while the user works in another
// program: it is made and shown without taking the keyboard, so that no keystroke meant for that
// program (an Escape that would close it unread) reaches it. A click on it, or on the toast,
// brings it forward. On the way it would be activated three times: by its move into the corner
// and by its showing (each a change of its position that does not say SWP_NOACTIVATE), and by the
// dialog manager giving its first control the focus after the initialisation. Until it has been
// shown, every change of its position is made without activation, and no activation or focus is
// let through (a thread hook); from then on it is a window like any other.

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
