#pragma once
// What a click on an announcement does, wherever it arrives: the program's window comes forward.
//
// The click reaches the process that raised the announcement: through the toasts' activator on
// Windows 10 and later (ToastActivator, served by the Announcer), through the toast's Activated
// event on 8 and 8.1 (ToastChannel), or through the balloon's icon message (BalloonChannel);
// each runs the announcement's `onClick`, which is one of the two below.
// - Raised in the program's own process (the library called as itself): BringForwardOnClick.
// - Raised by ToastHost.exe for a program above its integrity level, whose window takes no
//   message from the host: the host hands its right to the foreground on to the program and
//   signals the click (HandClickToProgram); the library, listening in the program's process
//   (ClickListener), brings the window forward there.

#include <windows.h>

#include <functional>

namespace toasthost {

// Restores `owner` if minimised and brings it to the front. Where the foreground is refused (the
// right to take it did not reach this process), the taskbar button calls the user until the
// window is in front.
void BringOwnerToFront(HWND owner);

// The click's action in the process that owns the window.
std::function<void()> BringForwardOnClick(HWND owner);

// The click's action in ToastHost.exe: the program's process may take the foreground now, and
// learns of the click through `clicked` (an event the host may only set).
std::function<void()> HandClickToProgram(DWORD programId, HANDLE clicked);

// In the program's process: brings `owner` forward each time the host sets `clicked`.
class ClickListener {
public:
    ClickListener() = default;
    ~ClickListener() { Stop(); }
    ClickListener(const ClickListener&) = delete;
    ClickListener& operator=(const ClickListener&) = delete;

    bool Listen(HANDLE clicked, HWND owner);
    // Stops listening; waits for a click being handled.
    void Stop();

private:
    static void CALLBACK OnClicked(void* context, BOOLEAN timedOut);
    HANDLE m_wait = nullptr;
    HWND m_owner = nullptr;
};

}  // namespace toasthost
