#pragma once
// Tokens: whom the calling thread acts for, and whom a token belongs to.

#include "win32/ScopedHandle.h"

#include <windows.h>

#include <vector>

// The calling thread's impersonation token with the given rights, or null while the thread runs
// as the process itself (or the token cannot be opened with them).
ScopedHandle OpenCallingThreadToken(DWORD access);

// A copy of the SID of the token's user; empty when it cannot be read.
std::vector<BYTE> TokenUserSid(HANDLE token);

// The SID of this process's own user; empty when it cannot be read.
std::vector<BYTE> ProcessUserSid();
