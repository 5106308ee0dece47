#pragma once
// Finds the update window of a running KeshUI.exe and reads or drives it the way a user would:
// texts, rectangles, styles and cursor are read; clicks and keys are real input (SendInput).

#include "product/ProductIdentity.h"

#include <windows.h>

#include <string>
#include <vector>

namespace probe {

// The visible update window (of the given process, when not 0), or null.
HWND FindUpdateWindow(DWORD processId = 0);
HWND WaitForUpdateWindow(DWORD timeoutMs, DWORD processId = 0);
int CountUpdateWindows();  // visible ones, of every process
bool WaitForWindowGone(HWND window, DWORD timeoutMs);

std::wstring WindowText(HWND window);
std::wstring ControlText(HWND dialog, int id);
// Waits until the control shows the text; returns whether it did within the time.
bool WaitForControlText(HWND dialog, int id, const std::wstring& expected, DWORD timeoutMs);
// Waits until the control shows something other than the text; returns what it shows then.
std::wstring WaitForControlTextOtherThan(HWND dialog, int id, const std::wstring& current, DWORD timeoutMs);

RECT WindowRect(HWND window);
RECT ControlScreenRect(HWND dialog, int id);
POINT CentreOf(const RECT& rect);

// Brings the window to the foreground so that keys reach it.
bool Activate(HWND window);
void MoveMouseTo(POINT screenPoint);
void ClickAt(POINT screenPoint);
void ClickControl(HWND dialog, int id);
void PressKey(WORD virtualKey);
// Presses `virtualKey` while `modifier` (VK_SHIFT, VK_CONTROL, ...) is held down.
void PressKeyWith(WORD modifier, WORD virtualKey);
// The control that has the keyboard focus in the thread of `window` (of any process), or null.
HWND FocusIn(HWND window);
// Copies of one rectangle of the screen, taken as often as wanted into one bitmap kept for it.
class ScreenArea {
public:
    explicit ScreenArea(const RECT& area);
    ~ScreenArea();
    ScreenArea(const ScreenArea&) = delete;
    ScreenArea& operator=(const ScreenArea&) = delete;
    // The pixels now, row by row, each 0x00RRGGBB.
    std::vector<DWORD> Capture();

private:
    RECT m_area;
    int m_width, m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    DWORD* m_bits = nullptr;
};

// The pixels of a window's client area as the screen shows them, row by row.
std::vector<COLORREF> ClientPixels(HWND window);
// Whether a focus rectangle's dots stand on screen in the control's leftmost column, which its
// own drawing leaves to the background (the status line, the close mark).
bool FocusRectangleShown(HWND control);

// Presses the left button at `from`, moves to `to` and releases. DragWindow waits, between the
// steps, for the window's thread to enter and then leave its move loop, as a user's hand would;
// it returns false when no move loop started. PressMoveRelease sends the three at once.
bool DragWindow(HWND window, POINT from, POINT to);
void PressMoveRelease(POINT from, POINT to);

// The cursor shown on the screen now.
HCURSOR CurrentCursor();
// Moves the mouse to the point and waits until the cursor shown is `expected`. To know that the
// window has handled the move, check a point whose cursor differs from the last one. Under Wine
// cursor handles (and images) belong to one process, so this works only for a window of the
// calling process; on Windows the system cursors are shared.
bool WaitForCursorAt(POINT screenPoint, HCURSOR expected, DWORD timeoutMs = 2000);
HCURSOR SystemCursor(LPCWSTR id);  // IDC_HAND, IDC_ARROW, as this process has it

// The number of handles a process holds, from the system's handle list (under Wine,
// GetProcessHandleCount answers 0 for other processes).
size_t HandleCountOf(DWORD processId);

// Polls a condition until it holds or the time is up; the conditions are reads, not hopes.
// pauseMs 0 polls without pausing, for measuring short delays; such conditions must not send
// messages to the window they watch, so that the watching does not slow what it watches.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs, DWORD pauseMs = 5)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(pauseMs);
    }
}

// The notification-area balloons on screen: visible tooltip windows of another process (the shell).
std::vector<HWND> ShellBalloons();

}  // namespace probe
