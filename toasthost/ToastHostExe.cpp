// ToastHost.exe: started by ToastHost.dll (HostLauncher) as the user it acts for, raises the announcement as
// that user (the toast, or the balloon) and takes it away again when the program closes its
// window or ends in any other way. A click hands the right to take the foreground on to the
// program, whose own process then brings its window up (ToastClick.h): a window of a process
// above this one's integrity level takes no message from here. On Windows 10 and later the click arrives through
// the toast activator the announcer serves while it runs. Started by COM instead ("-Embedding"),
// for a click on a toast whose program and host are gone, it takes that toast out of the
// notification centre, starts the program for an interactive check, and ends.

#include "toasthost/Announcer.h"
#include "product/ProductIdentity.h"
#include "toasthost/HostCommandLine.h"
#include "toasthost/ToastActivator.h"
#include "toasthost/ToastClick.h"
#include "win32/Gdi.h"
#include "win32/MessagePump.h"
#include "win32/Module.h"
#include "win32/ProcessStart.h"
#include "win32/ScopedHandle.h"

#include <shellapi.h>

#include <cwchar>
#include <memory>
#include <string>

namespace {

// How long a new host waits for one still withdrawing an earlier announcement of the same id.
constexpr DWORD kEarlierHostTimeoutMs = 5000;
// How long a host started by COM waits for the call it was started for, should its caller
// neither call nor let go.
constexpr DWORD kActivationTimeoutMs = 30000;

// COM starts a local server with "-Embedding" (or "/Embedding") after its registered command.
bool StartedByCom(LPCWSTR arguments)
{
    while (*arguments == L' ' || *arguments == L'\t') ++arguments;
    return (*arguments == L'-' || *arguments == L'/') && _wcsicmp(arguments + 1, L"Embedding") == 0;
}

// The program beside this host, as the user this host runs as and in interactive mode: it asks
// the service and offers the update page itself. The click's right to the foreground goes with it.
void StartTheProgram()
{
    const std::wstring program = BesideModule(nullptr, kProgramFileName);
    if (program.empty()) return;
    const std::wstring folder = FolderOf(program);
    std::wstring commandLine = L"\"" + program + L"\"";
    StartupRecord startup(false);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                          startup.get(), &process)) {
        return;
    }
    const StartedProcess started(process);
    ::AllowSetForegroundWindow(started.id);
}

// A click on a toast no host is running for: the program that showed it is gone (ended, killed,
// or the machine restarted), so the toast goes, and the program opens for the user to check.
void AnswerALeftOverToast()
{
    toasthost::WinRtRuntime runtime;
    if (!runtime.Start()) return;
    {
        // Shared with the activators COM makes, which a caller may let go of at any time.
        struct Call {
            std::wstring appId;
            ScopedHandle ended{ ::CreateEventW(nullptr, TRUE, FALSE, nullptr) };
        };
        const auto call = std::make_shared<Call>();
        toasthost::ToastActivator activator;
        // The wait ends with the call, or when the caller lets go of the activator without one:
        // then nothing was clicked, and nothing opens.
        if (call->ended && activator.Register(
                               [call](const std::wstring& appId) {
                                   call->appId = appId;
                                   ::SetEvent(call->ended.get());
                               },
                               [call] { ::SetEvent(call->ended.get()); })) {
            const HANDLE handles[] = { call->ended.get() };
            HandleMessagesUntilSignalled(handles, 1, kActivationTimeoutMs);
            activator.Revoke();
        }
        if (!call->appId.empty()) {
            toasthost::ToastChannel::RemoveLeftOver(runtime, call->appId.c_str());
            StartTheProgram();
        }
    }
    runtime.Stop();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR lpCmdLine, int)
{
    if (StartedByCom(lpCmdLine)) {
        AnswerALeftOverToast();
        return 0;
    }
    toasthost::HostRequest request;
    if (!toasthost::ParseHostCommandLine(::GetCommandLineW(), request)) return 0;
    const ScopedHandle program(request.program);
    const ScopedHandle withdraw(request.withdraw);
    const ScopedHandle clicked(request.clicked);

    // One host per id in this session at a time: one still withdrawing for a program that ended
    // a moment ago finishes first.
    const std::wstring gateName = L"Local\\ToastHost." + request.appId;
    const ScopedHandle gate(::CreateMutexW(nullptr, FALSE, gateName.c_str()));
    if (gate) {
        const HANDLE waitFor[] = { gate.get(), withdraw.get(), program.get() };
        const DWORD woken = ::WaitForMultipleObjects(3, waitFor, FALSE, kEarlierHostTimeoutMs);
        if (woken != WAIT_OBJECT_0 && woken != WAIT_ABANDONED_0) return 0;
    }

    toasthost::Announcer announcer;
    if (announcer.Prepare(instance)) {
        QUERY_USER_NOTIFICATION_STATE state = {};
        const toasthost::ChannelChoice choice = announcer.Choose(state);
        if (choice.toast || choice.balloon) {
            ScopedIcon large;
            ScopedIcon small;
            ::ExtractIconExW(request.programImage.c_str(), 0, large.receive(), small.receive(), 1);
            toasthost::Announcement announcement;
            announcement.title = request.title;
            announcement.text = request.text;
            announcement.appId = request.appId;
            announcement.largeIcon = large.get();
            announcement.smallIcon = small.get();
            announcement.onClick = toasthost::HandClickToProgram(request.programId, clicked.get());
            announcer.Announce(announcement);
            // The balloon's window and the toast's reports work on this thread meanwhile.
            const HANDLE ends[] = { withdraw.get(), program.get() };
            HandleMessagesUntilSignalled(ends, 2, INFINITE);
            announcer.Withdraw();
        }
        announcer.Stop();
    }
    if (gate) ::ReleaseMutex(gate.get());
    return 0;
}
