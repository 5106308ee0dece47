#include "session/UserReadiness.h"

#include "win32/MessagePump.h"
#include "win32/Module.h"
#include "win32/NotificationState.h"
#include "win32/ProcessStart.h"

#include <utility>

namespace {

// The helper answers at once; one that does not is given up on, and with it the wait.
constexpr DWORD kAnswerTimeoutMs = 5000;
constexpr DWORD kHelperEndTimeoutMs = 1000;
constexpr DWORD kSlotsBytes = 2 * sizeof(LONG);

volatile LONG* Slots(const ScopedView& view)
{
    return static_cast<volatile LONG*>(view.get());
}

}  // namespace

const UserStateApi& UserStateApi::Platform()
{
    static const UserStateApi api = {
        &::SHQueryUserNotificationState,
        &::ShellTaskbarExists,
        &::ReadQuietHoursProfile,
        &::ForegroundWindowCoversItsMonitor,
    };
    return api;
}

Readiness ReadinessOfThisProcessUser(const UserStateApi& api)
{
    QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
    if (!api.ShellTaskbarExists() || FAILED(api.QueryUserNotificationState(&state))) return Readiness::Unknown;
    if (state == QUNS_NOT_PRESENT) return Readiness::Away;
    // The shell's full-screen guess stays "busy" for good on some machines (an overlay that looks
    // full-screen to it): believed only while a window in front really covers its monitor.
    // Presentation settings answer QUNS_PRESENTATION_MODE.
    if (state == QUNS_BUSY && !api.ForegroundWindowCoversItsMonitor()) state = QUNS_ACCEPTS_NOTIFICATIONS;
    if (!StateAcceptsNotifications(state)) return Readiness::Busy;
    DWORD quietHours = 0;
    return api.ReadQuietHoursProfile(quietHours) && quietHours != 0 ? Readiness::Busy : Readiness::Ready;
}

SessionUserReadiness::~SessionUserReadiness()
{
    if (!m_helper) return;
    Slots(m_view)[0] = kQuit;
    ::SetEvent(m_ask.get());
    if (::WaitForSingleObject(m_helper.get(), kHelperEndTimeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(m_helper.get(), 0);
    }
}

Readiness SessionUserReadiness::Ask()
{
    if (!m_api.ProcessIsLocalSystem()) return ReadinessOfThisProcessUser(CurrentUserState());
    if (!m_helper && !StartHelper()) return Readiness::Unknown;
    Slots(m_view)[0] = kAskNow;
    ::SetEvent(m_ask.get());
    const HANDLE answers[] = { m_answered.get(), m_helper.get() };
    if (HandleMessagesUntilSignalled(answers, 2, kAnswerTimeoutMs) != WAIT_OBJECT_0) return Readiness::Unknown;
    const LONG answer = Slots(m_view)[1];
    return answer >= 0 && answer <= static_cast<LONG>(Readiness::Unknown) ? static_cast<Readiness>(answer)
                                                                           : Readiness::Unknown;
}

bool SessionUserReadiness::StartHelper()
{
    const std::wstring helper = BesideModule(nullptr, kUserStateHelperFileName);
    const ScopedHandle user = QueryOwnSessionUserToken(m_api);
    EnvironmentBlock environment(m_api.DestroyEnvironmentBlock);
    m_ask.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    m_answered.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    m_slots.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSlotsBytes, nullptr));
    if (m_slots) m_view.reset(::MapViewOfFile(m_slots.get(), FILE_MAP_WRITE, 0, 0, kSlotsBytes));
    if (helper.empty() || !user || !m_ask || !m_answered || !m_view ||
        !m_api.CreateEnvironmentBlock(environment.receive(), user.get(), FALSE)) {
        return false;
    }
    // The helper may wait for a question and for this process, answer, and use the slots; no more.
    const ScopedHandle ask = InheritableCopy(m_ask.get(), SYNCHRONIZE);
    const ScopedHandle answered = InheritableCopy(m_answered.get(), EVENT_MODIFY_STATE);
    const ScopedHandle slots = InheritableCopy(m_slots.get(), FILE_MAP_READ | FILE_MAP_WRITE);
    const ScopedHandle program = InheritableCopy(::GetCurrentProcess(), SYNCHRONIZE);
    HANDLE inherited[] = { ask.get(), answered.get(), slots.get(), program.get() };
    const InheritedHandlesOnly only(inherited, 4);
    if (!ask || !answered || !slots || !program || !only.get()) return false;
    std::wstring commandLine = UserStateHelperCommandLine(helper, { ask.get(), answered.get(), slots.get(), program.get() });
    StartupRecord startup(true, &only);
    PROCESS_INFORMATION started = {};
    if (!m_api.CreateProcessAsUser(user.get(), helper.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                   CREATE_UNICODE_ENVIRONMENT | EXTENDED_STARTUPINFO_PRESENT, environment.get(),
                                   FolderOf(helper).c_str(), startup.get(), &started)) {
        return false;
    }
    m_helper = std::move(StartedProcess(started).process);
    return true;
}

std::wstring UserStateHelperCommandLine(const std::wstring& helper, const UserStateChannel& channel)
{
    std::wstring commandLine = L"\"" + helper + L"\"";
    for (const HANDLE handle : { channel.ask, channel.answered, channel.slots, channel.program }) {
        std::wstring digits;  // (std::to_wstring would bring the C library's formatted output along)
        for (auto value = reinterpret_cast<ULONG_PTR>(handle); digits.empty() || value; value /= 10) {
            digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + value % 10));
        }
        commandLine += L" " + digits;
    }
    return commandLine;
}

bool ParseUserStateHelperArguments(LPCWSTR arguments, UserStateChannel& channel)
{
    HANDLE* const fields[] = { &channel.ask, &channel.answered, &channel.slots, &channel.program };
    for (HANDLE* field : fields) {
        while (*arguments == L' ') ++arguments;
        ULONG_PTR value = 0;
        for (; *arguments >= L'0' && *arguments <= L'9' && value < (ULONG_PTR(1) << 48); ++arguments) {
            value = value * 10 + static_cast<ULONG_PTR>(*arguments - L'0');
        }
        if (value == 0 || (*arguments != L' ' && *arguments != L'\0')) return false;
        *field = reinterpret_cast<HANDLE>(value);
    }
    while (*arguments == L' ') ++arguments;
    return *arguments == L'\0';
}
