#pragma once
// Waiting on a thread whose windows must go on working.

#include <windows.h>

// Handles the calling thread's messages until one of the handles is signalled (WAIT_OBJECT_0 +
// its index), the time is up (WAIT_TIMEOUT; INFINITE never is), or the wait fails (WAIT_FAILED).
DWORD HandleMessagesUntilSignalled(const HANDLE* handles, DWORD count, DWORD timeoutMs);
