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
#include <mutex>

namespace toasthost {

// The click's action in the process that owns the window: BringWindowToFront (win32/Foreground.h).
std::function<void()> BringForwardOnClick(HWND owner);

// The click's action in ToastHost.exe: the program's process may take the foreground now, and
// learns of the click through `clicked` (an event the host may only set).
std::function<void()> HandClickToProgram(DWORD programId, HANDLE clicked);

// One click on a toast arrives twice on Windows 10 and later where the activator is served:
// through the activator and through the toast's Activated event. Both routes stay open, since
// the shell calls the activator only for an id whose activator it knows (a Start-menu shortcut
// made by someone else or by an earlier version may not name it; a registration may have
// failed), and the event reaches only the process that raised the toast. Whichever arrives first
// answers the click; the other route's arrival soon after is its echo and is ignored. A click by
// the same route, or a later one, is a new click.
class OneAnswerPerClick {
public:
    enum class Route { Activator, ToastEvent };
    explicit OneAnswerPerClick(std::function<void()> answer) : m_answer(std::move(answer)) {}
    // From any thread.
    void Arrived(Route route);

private:
    const std::function<void()> m_answer;
    std::mutex m_mutex;
    bool m_echoExpected = false;
    Route m_echoRoute = Route::Activator;
    ULONGLONG m_echoDeadline = 0;
};

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
