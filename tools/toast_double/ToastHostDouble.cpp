// A stand-in for the product's toast library, built in variants (see tools/CMakeLists.txt) that
// differ in what Init and GetVisibility answer and in whether GetVisibility is exported at all.
// Every call is appended, one UTF-16 line each, to the file named by %KESH_TOAST_LOG%, with its
// arguments, its thread and whether the thread was impersonating.

#define TOASTHOST_EXPORT __declspec(dllexport)
#include "product/ProductIdentity.h"
#include "toasthost/ToastHostExports.h"

#include <windows.h>

#include <string>

#ifndef TOAST_INIT_RESULT
#define TOAST_INIT_RESULT 1
#endif
#ifndef TOAST_VISIBILITY_RESULT
#define TOAST_VISIBILITY_RESULT 1
#endif
#ifndef TOAST_FIRST
#define TOAST_FIRST 1
#endif
#ifndef TOAST_SECOND
#define TOAST_SECOND 0
#endif

namespace {

void Log(const std::wstring& call)
{
    wchar_t path[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"KESH_TOAST_LOG", path, MAX_PATH)) return;
    HANDLE token = nullptr;
    const bool impersonating = ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token) != FALSE;
    if (token) ::CloseHandle(token);
    const std::wstring line = call + L" thread=" + std::to_wstring(::GetCurrentThreadId()) +
                              L" impersonating=" + (impersonating ? L"1" : L"0") + L"\r\n";
    const HANDLE file = ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, line.c_str(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
    ::CloseHandle(file);
}

std::wstring Text(LPCWSTR text)
{
    return text ? std::wstring(L"[") + text + L"]" : std::wstring(L"(null)");
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) Log(L"attach");
    if (reason == DLL_PROCESS_DETACH) Log(L"detach");
    return TRUE;
}

extern "C" int WINAPI Init()
{
    Log(L"Init");
    return TOAST_INIT_RESULT;
}

extern "C" void WINAPI UnInit()
{
    // Whether the update window is still on screen: the adapter must go before the window ends.
    const HWND window = ::FindWindowW(L"#32770", kWindowTitle);
    Log(std::wstring(L"UnInit window=") + (window && ::IsWindowVisible(window) ? L"1" : L"0"));
}

extern "C" void WINAPI DisplayToastNotification(LPCWSTR title, LPCWSTR text,
                                                                      LPCWSTR appUserModelId, HWND owner)
{
    wchar_t ownerText[32];
    wsprintfW(ownerText, L"%p", static_cast<void*>(owner));
    Log(L"DisplayToastNotification title=" + Text(title) + L" text=" + Text(text) + L" aumid=" +
        Text(appUserModelId) + L" owner=" + ownerText);
}

#ifndef TOAST_WITHOUT_GETVISIBILITY
extern "C" int WINAPI GetVisibility(int* first, int* second, LONGLONG* third)
{
    Log(L"GetVisibility");
    *first = TOAST_FIRST;
    *second = TOAST_SECOND;
    *third = 0x0123456789ABCDEFLL;  // the whole 8 bytes the caller must have room for
    return TOAST_VISIBILITY_RESULT;
}
#endif
