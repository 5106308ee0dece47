#include "app/RunMode.h"

#include "service/UpdateServiceContract.h"

namespace {
wchar_t FoldAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}
}  // namespace

bool IsNotifModeCommandLine(LPCWSTR commandLine)
{
    if (!commandLine) return false;
    const wchar_t* expected = kNotifModeSwitch;
    for (; *expected != L'\0'; ++expected, ++commandLine) {
        if (FoldAsciiLetter(*commandLine) != FoldAsciiLetter(*expected)) return false;
    }
    return *commandLine == L'\0';
}
