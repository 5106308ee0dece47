#include "toasthost/ToastClick.h"

#include "win32/Foreground.h"

namespace toasthost {

std::function<void()> BringForwardOnClick(HWND owner)
{
    return [owner] { BringWindowToFront(owner); };
}

std::function<void()> HandClickToProgram(DWORD programId, HANDLE clicked)
{
    return [programId, clicked] {
        // This process may take the foreground now: the user clicked its announcement.
        ::AllowSetForegroundWindow(programId);
        ::SetEvent(clicked);
    };
}

namespace {
// How long after a click its echo by the other route may come: both leave the shell together.
constexpr ULONGLONG kEchoWindowMs = 5000;
}  // namespace

void OneAnswerPerClick::Arrived(Route route)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const ULONGLONG now = ::GetTickCount64();
        if (m_echoExpected && m_echoRoute == route && now < m_echoDeadline) {
            m_echoExpected = false;
            return;
        }
        m_echoExpected = true;
        m_echoRoute = route == Route::Activator ? Route::ToastEvent : Route::Activator;
        m_echoDeadline = now + kEchoWindowMs;
    }
    if (m_answer) m_answer();
}

bool ClickListener::Listen(HANDLE clicked, HWND owner)
{
    Stop();
    m_owner = owner;
    return ::RegisterWaitForSingleObject(&m_wait, clicked, &ClickListener::OnClicked, this, INFINITE,
                                         WT_EXECUTEDEFAULT) != FALSE;
}

void ClickListener::Stop()
{
    if (m_wait) ::UnregisterWaitEx(m_wait, INVALID_HANDLE_VALUE);
    m_wait = nullptr;
    m_owner = nullptr;
}

void CALLBACK ClickListener::OnClicked(void* context, BOOLEAN)
{
    BringWindowToFront(static_cast<ClickListener*>(context)->m_owner);
}

}  // namespace toasthost
