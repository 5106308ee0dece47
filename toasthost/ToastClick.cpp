#include "toasthost/ToastClick.h"

namespace toasthost {

void BringOwnerToFront(HWND owner)
{
    if (!owner || !::IsWindow(owner)) return;
    if (::IsIconic(owner)) ::ShowWindowAsync(owner, SW_RESTORE);
    if (::SetForegroundWindow(owner)) return;
    FLASHWINFO flash = {};
    flash.cbSize = sizeof(flash);
    flash.hwnd = owner;
    flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
    ::FlashWindowEx(&flash);
}

std::function<void()> BringForwardOnClick(HWND owner)
{
    return [owner] { BringOwnerToFront(owner); };
}

std::function<void()> HandClickToProgram(DWORD programId, HANDLE clicked)
{
    return [programId, clicked] {
        // This process may take the foreground now: the user clicked its announcement.
        ::AllowSetForegroundWindow(programId);
        ::SetEvent(clicked);
    };
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
    BringOwnerToFront(static_cast<ClickListener*>(context)->m_owner);
}

}  // namespace toasthost
