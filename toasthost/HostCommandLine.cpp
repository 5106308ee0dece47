#include "toasthost/HostCommandLine.h"

#include <shellapi.h>

#include <cwchar>
#include <cwctype>
#include <memory>

namespace toasthost {

namespace {

// One argument as the C run-time and CommandLineToArgvW split it again: quoted when it holds a
// blank or a quote (or is empty), with backslashes doubled where a quote follows them.
std::wstring Quote(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::wstring Number(ULONG_PTR value)
{
    std::wstring text;
    do {
        text.insert(text.begin(), L"0123456789abcdef"[value % 16]);
        value /= 16;
    } while (value != 0);
    return text;
}

bool ReadNumber(const wchar_t* text, ULONG_PTR& value)
{
    if (!*text) return false;
    wchar_t* end = nullptr;
    const unsigned long long read = std::wcstoull(text, &end, 16);
    if (*end || !std::iswxdigit(*text)) return false;
    value = static_cast<ULONG_PTR>(read);
    return true;
}

struct ArgvDeleter {
    void operator()(LPWSTR* argv) const { ::LocalFree(argv); }
};

}  // namespace

std::wstring BuildHostCommandLine(const std::wstring& hostPath, const HostRequest& request)
{
    return Quote(hostPath) + L" /program " + Number(reinterpret_cast<ULONG_PTR>(request.program)) + L" /withdraw " +
           Number(reinterpret_cast<ULONG_PTR>(request.withdraw)) + L" /clicked " +
           Number(reinterpret_cast<ULONG_PTR>(request.clicked)) + L" /pid " + Number(request.programId) +
           L" /image " + Quote(request.programImage) + L" /appid " + Quote(request.appId) + L" /title " +
           Quote(request.title) + L" /text " + Quote(request.text);
}

bool ParseHostCommandLine(const wchar_t* commandLine, HostRequest& request)
{
    int count = 0;
    const std::unique_ptr<LPWSTR, ArgvDeleter> argv(::CommandLineToArgvW(commandLine, &count));
    if (!argv || count != 17) return false;
    const LPWSTR* args = argv.get();
    HostRequest read;
    ULONG_PTR program = 0;
    ULONG_PTR withdraw = 0;
    ULONG_PTR clicked = 0;
    ULONG_PTR id = 0;
    const bool ok = std::wcscmp(args[1], L"/program") == 0 && ReadNumber(args[2], program) &&
                    std::wcscmp(args[3], L"/withdraw") == 0 && ReadNumber(args[4], withdraw) &&
                    std::wcscmp(args[5], L"/clicked") == 0 && ReadNumber(args[6], clicked) &&
                    std::wcscmp(args[7], L"/pid") == 0 && ReadNumber(args[8], id) &&
                    std::wcscmp(args[9], L"/image") == 0 && std::wcscmp(args[11], L"/appid") == 0 &&
                    std::wcscmp(args[13], L"/title") == 0 && std::wcscmp(args[15], L"/text") == 0;
    if (!ok || !program || !withdraw || !clicked) return false;
    read.program = reinterpret_cast<HANDLE>(program);
    read.withdraw = reinterpret_cast<HANDLE>(withdraw);
    read.clicked = reinterpret_cast<HANDLE>(clicked);
    read.programId = static_cast<DWORD>(id);
    read.programImage = args[10];
    read.appId = args[12];
    read.title = args[14];
    read.text = args[16];
    request = std::move(read);
    return true;
}

}  // namespace toasthost
