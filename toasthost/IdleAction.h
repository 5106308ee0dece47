#pragma once
// Runs an action on the calling thread once that thread has nothing else to do: its queue is
// empty and its windows painted (a timer message comes after every other message, painting
// included). For a window being made on that thread: once it is shown and painted.

#include <windows.h>

namespace toasthost {

class IdleAction {
public:
    IdleAction() = default;
    ~IdleAction() { Cancel(); }
    IdleAction(const IdleAction&) = delete;
    IdleAction& operator=(const IdleAction&) = delete;

    // A second request replaces the first. False when it cannot be arranged. The thread must
    // handle its messages; the action runs there, once.
    bool Request(void (*action)(void*), void* context);
    // Never runs what was requested; on the requesting thread.
    void Cancel();

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD);
    UINT_PTR m_timer = 0;
    void (*m_pfnAction)(void*) = nullptr;
    void* m_context = nullptr;
};

}  // namespace toasthost
