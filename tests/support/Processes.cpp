#include "Processes.h"

#include "Files.h"

#include <gtest/gtest.h>

namespace kesh_test {

bool Process::Wait(DWORD timeoutMs) const
{
    return handle && ::WaitForSingleObject(handle.get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (handle) ::GetExitCodeProcess(handle.get(), &code);
    return code;
}

void Process::Kill() const
{
    if (handle && !Wait(0)) {
        ::TerminateProcess(handle.get(), 1);
        Wait(5000);
    }
}

namespace {

Process StartWith(const std::wstring& application, const std::wstring& arguments, const std::wstring& currentDirectory,
                  DWORD creationFlags, ScopedHandle* thread)
{
    SECURITY_ATTRIBUTES inheritable = { sizeof(inheritable), nullptr, TRUE };
    const ScopedHandle nul(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         &inheritable, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul.get();
    std::wstring commandLine = L"\"" + application + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    PROCESS_INFORMATION info = {};
    Process process;
    if (::CreateProcessW(application.c_str(), buffer.data(), nullptr, nullptr, TRUE, creationFlags, nullptr,
                         currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &info)) {
        if (thread) thread->reset(info.hThread);
        else ::CloseHandle(info.hThread);
        process.handle.reset(info.hProcess);
        process.id = info.dwProcessId;
    } else {
        process.startError = ::GetLastError();
    }
    return process;
}

}  // namespace

Process Start(const std::wstring& application, const std::wstring& arguments, const std::wstring& currentDirectory,
              DWORD creationFlags)
{
    return StartWith(application, arguments, currentDirectory, creationFlags, nullptr);
}

SuspendedProcess StartSuspended(const std::wstring& application, const std::wstring& arguments)
{
    SuspendedProcess started;
    started.process = StartWith(application, arguments, std::wstring(), CREATE_SUSPENDED, &started.thread);
    return started;
}

Process StartServiceSimulator(const std::wstring& options)
{
    const ScopedHandle ready(::CreateEventW(nullptr, TRUE, FALSE, L"KeshTest_ServiceReady"));
    Process service = Start(BinPath(L"KeshServiceSim.exe"), options + L" --ready KeshTest_ServiceReady");
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ready.get(), 10000)) << "simulator did not start";
    return service;
}

}  // namespace kesh_test
