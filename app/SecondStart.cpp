#include "app/SecondStart.h"

#include "win32/AccessDescriptor.h"
#include "win32/Token.h"

#include <vector>

namespace {

// In the session's own namespace: a program in another session is never reached.
constexpr wchar_t kInstanceName[] = L"Local\\Brenlo KeshUI.exe instance";
constexpr wchar_t kBellName[] = L"Local\\Brenlo KeshUI.exe second start";

// The user of this process's session: the one whose second start may ring.
std::vector<BYTE> SessionUserSid(const SessionIdentityApi& api)
{
    ScopedHandle token;
    if (api.ProcessIsLocalSystem()) token.reset(QueryOwnSessionUserToken(api));
    else ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.receive());
    return token ? TokenUserSid(token.get()) : std::vector<BYTE>();
}

// A named object made here, or null. One that exists already is someone else's (this process
// holds the single-instance lock) and is not trusted.
ScopedHandle MadeHere(HANDLE handle)
{
    ScopedHandle made(handle);
    if (made && ::GetLastError() == ERROR_ALREADY_EXISTS) made.reset();
    return made;
}

// The process id kept in the section.
ScopedView ProcessIdView(HANDLE section, DWORD access)
{
    return ScopedView(::MapViewOfFile(section, access, 0, 0, sizeof(DWORD)));
}

BOOL CALLBACK PostToProcessWindow(HWND window, LPARAM processId)
{
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId)) ::PostMessageW(window, WM_SECOND_START, 0, 0);
    return TRUE;
}

}  // namespace

SecondStartBell::SecondStartBell(const SessionIdentityApi& api)
{
    std::vector<BYTE> user = SessionUserSid(api);
    if (user.empty()) return;
    UserAndSystemDescriptor bellAccess(user.data(), EVENT_MODIFY_STATE | SYNCHRONIZE, SYSTEM_MANDATORY_LABEL_NO_WRITE_UP,
                                       false);
    UserAndSystemDescriptor instanceAccess(user.data(), FILE_MAP_READ, SYSTEM_MANDATORY_LABEL_NO_WRITE_UP, false);
    if (!bellAccess.get() || !instanceAccess.get()) return;
    SECURITY_ATTRIBUTES instanceAttributes = { sizeof(instanceAttributes), instanceAccess.get(), FALSE };
    m_instance = MadeHere(::CreateFileMappingW(INVALID_HANDLE_VALUE, &instanceAttributes, PAGE_READWRITE, 0,
                                               sizeof(DWORD), kInstanceName));
    if (!m_instance) return;
    const ScopedView processId = ProcessIdView(m_instance.get(), FILE_MAP_WRITE);
    if (!processId) return;
    *static_cast<DWORD*>(processId.get()) = ::GetCurrentProcessId();
    SECURITY_ATTRIBUTES bellAttributes = { sizeof(bellAttributes), bellAccess.get(), FALSE };
    m_bell = MadeHere(::CreateEventW(&bellAttributes, FALSE, FALSE, kBellName));
}

bool SecondStartBell::HasRung() const
{
    return m_bell && ::WaitForSingleObject(m_bell.get(), 0) == WAIT_OBJECT_0;
}

void AskTheRunningProgramForward()
{
    const ScopedHandle bell(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kBellName));
    const ScopedHandle instance(::OpenFileMappingW(FILE_MAP_READ, FALSE, kInstanceName));
    if (!bell || !instance) return;
    const ScopedView processId = ProcessIdView(instance.get(), FILE_MAP_READ);
    if (!processId) return;
    const DWORD running = *static_cast<const DWORD*>(processId.get());
    // The user started this process: it may take the foreground, and so may the one it names.
    ::AllowSetForegroundWindow(running);
    ::SetEvent(bell.get());
    ::EnumWindows(&PostToProcessWindow, static_cast<LPARAM>(running));
}
