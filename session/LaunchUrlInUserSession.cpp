#include "session/LaunchUrlInUserSession.h"

#include "session/SessionIdentity.h"
#include "win32/ProcessStart.h"
#include "win32/ScopedHandle.h"

#include <string>
#include <vector>

namespace {

// The platform may write into the command line, so it lives in a buffer of our own: at least
// this many characters besides the terminator, more when the address needs it.
constexpr size_t kMinCommandLineChars = 1024;

// CreateProcessAsUserW with the 0x430 flags: a console of its own, normal priority, and an
// environment block of wide strings.
constexpr DWORD kCreationFlags = CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT;

// explorer.exe in the system's Windows folder, so that no explorer.exe planted in the program's
// or the current folder can be started in its place.
std::wstring SystemExplorerPath()
{
    wchar_t windowsDir[MAX_PATH] = {};
    const UINT length = ::GetSystemWindowsDirectoryW(windowsDir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    std::wstring path(windowsDir, length);
    if (path.back() != L'\\') path += L'\\';
    return path + L"explorer.exe";
}

}  // namespace

bool LaunchUrlInUserSession(LPCWSTR address)
{
    const SessionIdentityApi& api = CurrentSessionIdentity();

    const ScopedHandle token = QueryOwnSessionUserToken(api);
    if (!token) return false;

    const std::wstring commandLine = std::wstring(L"explorer.exe \"") + address + L"\"";

    StartupRecord startup(true);
    PROCESS_INFORMATION process = {};

    // Only the user's and the system's variables: nothing of this process's environment.
    EnvironmentBlock environment(api.DestroyEnvironmentBlock);
    if (!api.CreateEnvironmentBlock(environment.receive(), token.get(), FALSE)) return false;

    std::vector<wchar_t> commandLineBuffer(
        (commandLine.size() > kMinCommandLineChars ? commandLine.size() : kMinCommandLineChars) + 1, L'\0');
    commandLine.copy(commandLineBuffer.data(), commandLine.size());

    const std::wstring explorer = SystemExplorerPath();
    if (explorer.empty()) return false;

    if (!api.CreateProcessAsUser(token.get(), explorer.c_str(), commandLineBuffer.data(), nullptr,
                                 nullptr, FALSE, kCreationFlags, environment.get(), nullptr, startup.get(),
                                 &process)) {
        return false;
    }
    // Nobody waits for the browser: both handles go at once.
    // cppcheck-suppress unreadVariable ; it owns the two handles until the return
    const StartedProcess browser(process);
    return true;
}
