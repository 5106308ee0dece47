#include "ui/WebAddress.h"

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

// C0 and C1 controls, DEL, and every character Unicode counts as white space.
bool IsControlOrBlank(wchar_t c)
{
    if (c <= 0x20 || (c >= 0x7F && c <= 0x9F)) return true;
    switch (c) {
    case 0x00A0: case 0x1680: case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

}  // namespace

bool IsOpenableWebAddress(LPCWSTR address)
{
    if (!address) return false;
    if (!StartsWithIgnoringAsciiCase(address, L"http://") &&
        !StartsWithIgnoringAsciiCase(address, L"https://")) {
        return false;
    }
    for (LPCWSTR c = address; *c != L'\0'; ++c) {
        if (*c == L'"' || IsControlOrBlank(*c)) return false;
    }
    return true;
}
