// Bait for planted-DLL tests: copied under the name of a system DLL into a folder a user could
// write to. Loading it appends its own path, one UTF-16 line, to %KESH_BAIT_LOG%; it exports
// nothing, so a program that really used it would fail at its first call.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t log[MAX_PATH] = {};
    wchar_t line[MAX_PATH + 2] = {};
    if (!::GetEnvironmentVariableW(L"KESH_BAIT_LOG", log, MAX_PATH)) return TRUE;
    const DWORD length = ::GetModuleFileNameW(module, line, MAX_PATH);
    line[length] = L'\r';
    line[length + 1] = L'\n';
    const HANDLE file = ::CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return TRUE;
    DWORD written = 0;
    ::WriteFile(file, line, (length + 2) * sizeof(wchar_t), &written, nullptr);
    ::CloseHandle(file);
    return TRUE;
}
