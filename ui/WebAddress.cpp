#include "ui/WebAddress.h"

#include <cwchar>

namespace {
bool StartsWithIgnoringAsciiCase(LPCWSTR text, LPCWSTR prefix)
{
    for (; *prefix != L'\0'; ++prefix, ++text) {
        wchar_t c = *text;
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != *prefix) return false;
    }
    return true;
}
}  // namespace

bool IsOpenableWebAddress(LPCWSTR address)
{
    if (!address) return false;
    if (!StartsWithIgnoringAsciiCase(address, L"http://") &&
        !StartsWithIgnoringAsciiCase(address, L"https://")) {
        return false;
    }
    return std::wcschr(address, L'"') == nullptr;
}
