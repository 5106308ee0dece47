#pragma once
// What a click on an announcement does, wherever it arrives (the activator, the toast's event,
// the balloon's icon): the program's window comes forward. A host above which the program runs
// cannot reach its window, so it hands the foreground on and signals the click, and the library
// brings the window forward in the program's own process.

#include <windows.h>

#include <functional>
#include <mutex>

namespace toasthost {

// The click's action in the process that owns the window: BringWindowToFront (win32/Foreground.h).
std::function<void()> BringForwardOnClick(HWND owner);

// The click's action in ToastHost.exe: the program's process may take the foreground now, and
// learns of the click through `clicked` (an event the host may only set).
std::function<void()> HandClickToProgram(DWORD programId, HANDLE clicked);

// One click on a toast arrives twice where the activator is served, through it and through the
// toast's Activated event; both stay open, as the shell calls the activator only for an id whose
// activator it knows. The first to arrive answers; the other route's arrival soon after is its
// echo. A click by the same route, or a later one, is a new click.
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
