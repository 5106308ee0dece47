#include "win32/MessagePump.h"

DWORD HandleMessagesUntilSignalled(const HANDLE* handles, DWORD count, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        DWORD left = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG now = ::GetTickCount64();
            if (now >= deadline) return WAIT_TIMEOUT;
            left = static_cast<DWORD>(deadline - now);
        }
        const DWORD woken = ::MsgWaitForMultipleObjects(count, handles, FALSE, left, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + count) return woken;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
}
