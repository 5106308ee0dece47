#pragma once
// What starting a program needs and hands back, each with one owner: a user's environment block,
// the handles it inherits and nothing else, and the started process's handles.

#include "win32/ScopedHandle.h"

#include <windows.h>

#include <vector>


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

// A copy of `source` with no more than `access`, for a child process to inherit.
inline ScopedHandle InheritableCopy(HANDLE source, DWORD access)
{
    HANDLE copy = nullptr;
    const HANDLE self = ::GetCurrentProcess();
    return ScopedHandle(::DuplicateHandle(self, source, self, &copy, access, TRUE, 0) ? copy : nullptr);
}

// For STARTUPINFOEXW: the child inherits `handles` only, whatever else of this process is
// inheritable (with EXTENDED_STARTUPINFO_PRESENT). get() is null when it could not be made.
class InheritedHandlesOnly {
public:
    InheritedHandlesOnly(HANDLE* handles, size_t count)
    {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        m_buffer.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data());
        if (size && ::InitializeProcThreadAttributeList(list, 1, 0, &size)) {
            m_list = list;
            if (!::UpdateProcThreadAttribute(m_list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, count * sizeof(HANDLE),
                                             nullptr, nullptr)) {
                ::DeleteProcThreadAttributeList(m_list);
                m_list = nullptr;
            }
        }
    }
    ~InheritedHandlesOnly()
    {
        if (m_list) ::DeleteProcThreadAttributeList(m_list);
    }
    InheritedHandlesOnly(const InheritedHandlesOnly&) = delete;
    InheritedHandlesOnly& operator=(const InheritedHandlesOnly&) = delete;
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return m_list; }

private:
    std::vector<BYTE> m_buffer;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

// The start-up record of a new process: its size set, on the session's interactive desktop (where
// a program started for its user is to appear) when asked, and, given `inherited`, inheriting
// those handles only (STARTUPINFOEXW, for EXTENDED_STARTUPINFO_PRESENT).
class StartupRecord {
public:
    explicit StartupRecord(bool onInteractiveDesktop, const InheritedHandlesOnly* inherited = nullptr)
    {
        m_record.StartupInfo.cb = inherited ? sizeof(STARTUPINFOEXW) : sizeof(STARTUPINFOW);
        if (onInteractiveDesktop) m_record.StartupInfo.lpDesktop = m_desktop;
        if (inherited) m_record.lpAttributeList = inherited->get();
    }
    StartupRecord(const StartupRecord&) = delete;
    StartupRecord& operator=(const StartupRecord&) = delete;
    LPSTARTUPINFOW get() { return &m_record.StartupInfo; }

private:
    wchar_t m_desktop[16] = L"Winsta0\\default";
    STARTUPINFOEXW m_record = {};
};
