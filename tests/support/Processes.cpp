#include "Processes.h"

#include <gtest/gtest.h>

namespace kesh_test {

std::wstring ExeDirectory()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L'\\'));
}

std::wstring BinPath(const std::wstring& name)
{
    // The test programs live in bin\tests, apart from the product and its ToastHost.dll, so that a
    // test decides for itself which toast library (if any) stands beside the program it runs.
    const std::wstring tests = ExeDirectory();
    return tests.substr(0, tests.find_last_of(L'\\')) + L"\\" + name;
}

std::wstring TempDirectory(const std::wstring& name)
{
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"kesh_" + name + L"_" + std::to_wstring(::GetCurrentProcessId());
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            ::DeleteFileW((dir + L"\\" + found.cFileName).c_str());
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

bool CopyFileTo(const std::wstring& from, const std::wstring& to)
{
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

std::wstring ReadUtf16File(const std::wstring& path)
{
    const HANDLE opened = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return std::wstring();
    const ScopedHandle file(opened);
    std::wstring text;
    wchar_t buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        text.append(buffer, read / sizeof(wchar_t));
    }
    return text;
}

std::vector<std::wstring> SplitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

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

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (done()) return true;
        if (::GetTickCount64() > deadline) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

}  // namespace kesh_test
