#pragma once
// What starting a program needs and hands back, each with one owner: a user's environment block,
// and the started process's handles.

#include "win32/ScopedHandle.h"

#include <windows.h>

// A user's environment block, destroyed by the DestroyEnvironmentBlock the caller reaches
// userenv's through; receive() is CreateEnvironmentBlock's out-parameter.
class EnvironmentBlock {
public:
    using PFN_Destroy = BOOL(WINAPI*)(LPVOID);
    explicit EnvironmentBlock(PFN_Destroy destroy) : m_pfnDestroy(destroy) {}
    ~EnvironmentBlock() { if (m_block) m_pfnDestroy(m_block); }
    EnvironmentBlock(const EnvironmentBlock&) = delete;
    EnvironmentBlock& operator=(const EnvironmentBlock&) = delete;
    LPVOID* receive() { return &m_block; }
    LPVOID get() const { return m_block; }

private:
    const PFN_Destroy m_pfnDestroy;
    LPVOID m_block = nullptr;
};

// The handles CreateProcess hands back, owned: the process's closed after its primary thread's.
struct StartedProcess {
    explicit StartedProcess(const PROCESS_INFORMATION& started)
        : thread(started.hThread), process(started.hProcess), id(started.dwProcessId) {}
    ScopedHandle thread;
    ScopedHandle process;
    DWORD id;
};
