#include "app/SecondStart.h"

#include "win32/AccessDescriptor.h"
#include "win32/Module.h"
#include "win32/Token.h"

#include <vector>

namespace {


// The user of this process's session: the one whose second start may set the event.
std::vector<BYTE> SessionUserSid(const SessionIdentityApi& api)
{
    if (!api.ProcessIsLocalSystem()) return ProcessUserSid();
    const ScopedHandle token = QueryOwnSessionUserToken(api);
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

// Whether `processId` runs this very program (the same file) in this process's session: only then
// is it the program the names were made for.
bool RunsThisProgramHere(DWORD processId)
{
    const ScopedHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    std::vector<wchar_t> image(32768);
    DWORD length = static_cast<DWORD>(image.size());
    DWORD theirs = 0;
    DWORD ours = 0;
    return process && ::QueryFullProcessImageNameW(process.get(), 0, image.data(), &length) &&
           ::ProcessIdToSessionId(processId, &theirs) && ::ProcessIdToSessionId(::GetCurrentProcessId(), &ours) &&
           theirs == ours && ::CompareStringOrdinal(image.data(), static_cast<int>(length), ModulePath(nullptr).c_str(), -1,
                                                    TRUE) == CSTR_EQUAL;
}

BOOL CALLBACK PostToProcessWindow(HWND window, LPARAM processId)
{
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId)) ::PostMessageW(window, WM_SECOND_START, 0, 0);
    return TRUE;
}

}  // namespace

SecondStarts::SecondStarts(const SessionIdentityApi& api)
{
    std::vector<BYTE> user = SessionUserSid(api);
    std::vector<BYTE> self = ProcessUserSid();
    if (user.empty() || self.empty()) return;
    // The user may set the event, never wait on it: a wait on it, as it resets itself, would take
    // the request (and the no-write-up label stops no right that maps to execute, as SYNCHRONIZE
    // does).
    // Owned by this process's own user, which the second start checks, as it checks the label.
    UserAndSystemDescriptor eventAccess(user.data(), EVENT_MODIFY_STATE | READ_CONTROL, SYSTEM_MANDATORY_LABEL_NO_WRITE_UP,
                                       self.data());
    UserAndSystemDescriptor instanceAccess(user.data(), FILE_MAP_READ | READ_CONTROL, SYSTEM_MANDATORY_LABEL_NO_WRITE_UP,
                                           self.data());
    if (!eventAccess.get() || !instanceAccess.get()) return;
    LetUserQueryThisProcess(user.data());
    SECURITY_ATTRIBUTES instanceAttributes = { sizeof(instanceAttributes), instanceAccess.get(), FALSE };
    m_instance = MadeHere(::CreateFileMappingW(INVALID_HANDLE_VALUE, &instanceAttributes, PAGE_READWRITE, 0,
                                               sizeof(DWORD), kRunningProgramName));
    if (!m_instance) return;
    const ScopedView processId = ProcessIdView(m_instance.get(), FILE_MAP_WRITE);
    if (!processId) return;
    *static_cast<DWORD*>(processId.get()) = ::GetCurrentProcessId();
    SECURITY_ATTRIBUTES eventAttributes = { sizeof(eventAttributes), eventAccess.get(), FALSE };
    m_event = MadeHere(::CreateEventW(&eventAttributes, FALSE, FALSE, kSecondStartEventName));
}

bool SecondStarts::Arrived() const
{
    return m_event && ::WaitForSingleObject(m_event.get(), 0) == WAIT_OBJECT_0;
}

bool AskTheRunningProgramForward(ScopedHandle& ownLock)
{
    // Names that anyone in the session could have made first: only the program's own are trusted,
    // and only the program they name is handed anything.
    std::vector<BYTE> self = ProcessUserSid();
    const ScopedHandle event(::OpenEventW(EVENT_MODIFY_STATE | READ_CONTROL, FALSE, kSecondStartEventName));
    const ScopedHandle instance(::OpenFileMappingW(FILE_MAP_READ | READ_CONTROL, FALSE, kRunningProgramName));
    if (self.empty() || !event || !instance || !MadeByUserOrSystem(event.get(), self.data()) ||
        !MadeByUserOrSystem(instance.get(), self.data())) {
        return false;
    }
    const ScopedView processId = ProcessIdView(instance.get(), FILE_MAP_READ);
    if (!processId) return false;
    const DWORD running = *static_cast<const DWORD*>(processId.get());
    if (!RunsThisProgramHere(running)) return false;
    ownLock.reset();
    // The user started this process: it may take the foreground, and so may the one it names.
    ::AllowSetForegroundWindow(running);
    ::SetEvent(event.get());
    ::EnumWindows(&PostToProcessWindow, static_cast<LPARAM>(running));
    return true;
}
