#include "toasthost/IdleAction.h"

#include <utility>

namespace toasthost {

namespace {

// A thread timer's callback learns only its timer's id: the one action waiting, on the thread
// that asked for it (the library's caller has one).
IdleAction* g_waiting = nullptr;

}  // namespace

bool IdleAction::Request(void (*action)(void*), void* context)
{
    Cancel();
    m_timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &IdleAction::OnTimer);
    if (!m_timer) return false;
    m_pfnAction = action;
    m_context = context;
    g_waiting = this;
    return true;
}

void IdleAction::Cancel()
{
    if (m_timer) ::KillTimer(nullptr, m_timer);
    m_timer = 0;
    m_pfnAction = nullptr;
    if (g_waiting == this) g_waiting = nullptr;
}

void CALLBACK IdleAction::OnTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::KillTimer(nullptr, timer);
    IdleAction* const waiting = g_waiting;
    if (!waiting || waiting->m_timer != timer) return;
    const auto action = std::exchange(waiting->m_pfnAction, nullptr);
    waiting->m_timer = 0;
    g_waiting = nullptr;
    if (action) action(waiting->m_context);
}

}  // namespace toasthost
