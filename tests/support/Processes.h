#pragma once
// Programs of this build started and watched.

#include "win32/ScopedHandle.h"

#include <windows.h>

#include <string>
#include <vector>

namespace kesh_test {

// A started program; killed when the object goes, so that a failed test leaves nothing running.
struct Process {
    Process() = default;
    Process(Process&&) = default;
    Process& operator=(Process&&) = default;
    ~Process() { Kill(); }

    ScopedHandle handle;
    DWORD id = 0;
    DWORD startError = 0;  // CreateProcess's error when it failed
    bool Wait(DWORD timeoutMs) const;  // true when it ended in time
    DWORD ExitCode() const;
    void Kill() const;
};
// Starts a program with a full command line; output goes to NUL, never to our pipes.
Process Start(const std::wstring& application, const std::wstring& arguments,
              const std::wstring& currentDirectory = std::wstring(), DWORD creationFlags = 0);
// With CREATE_SUSPENDED: the primary thread, to resume.
struct SuspendedProcess {
    Process process;
    ScopedHandle thread;
};
SuspendedProcess StartSuspended(const std::wstring& application, const std::wstring& arguments);
// Starts the update-service simulator with `options` and returns once both of its events exist.
Process StartServiceSimulator(const std::wstring& options);

}  // namespace kesh_test
