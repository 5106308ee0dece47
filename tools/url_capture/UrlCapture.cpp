// Registered in the test prefix as the handler of http and https: records the address it was
// asked to open, exactly as it arrived, with what it can tell about who started it.
//
// Appends one UTF-16 line to %KESH_URL_LOG% (inherited, or taken from the prefix's system
// environment): the address, a tab, then "inherited" when KESH_URL_MARKER is set in its
// environment (started from the program's own environment) or "fresh" when it is not (started
// with a user environment block built without inheritance). Then sets the named event
// "KeshTest_UrlCaptured" when it exists.

#include <windows.h>
#include <shellapi.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::wstring line = (argv && argc > 1) ? argv[1] : L"";
    ::LocalFree(argv);

    line += ::GetEnvironmentVariableW(L"KESH_URL_MARKER", nullptr, 0) ? L"\tinherited" : L"\tfresh";
    line += L"\r\n";

    wchar_t logPath[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"KESH_URL_LOG", logPath, MAX_PATH) == 0) {
        DWORD size = sizeof(logPath);
        ::RegGetValueW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager\\Environment",
                       L"KESH_URL_LOG", RRF_RT_REG_SZ, nullptr, logPath, &size);
    }
    const HANDLE log = ::CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(log, line.c_str(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
        ::CloseHandle(log);
    }

    const HANDLE captured = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, L"KeshTest_UrlCaptured");
    if (captured) {
        ::SetEvent(captured);
        ::CloseHandle(captured);
    }
    return 0;
}
