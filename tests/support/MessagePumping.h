#pragma once
// Waiting on a test's thread whose windows, hooks and callbacks must go on working.

#include <windows.h>

#include <functional>

namespace kesh_test {

// Handles this thread's messages until `done` or the time is up.
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs);

}  // namespace kesh_test
