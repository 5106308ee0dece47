#include "toasthost/ToastXml.h"

namespace toasthost {

namespace {

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::wstring EscapeXml(const wchar_t* text)
{
    std::wstring escaped;
    if (!text) return escaped;
    for (const wchar_t* p = text; *p; ++p) {
        const wchar_t c = *p;
        if (IsHighSurrogate(c) && IsLowSurrogate(p[1])) {
            escaped += c;
            escaped += *++p;
            continue;
        }
        switch (c) {
        case L'&': escaped += L"&amp;"; break;
        case L'<': escaped += L"&lt;"; break;
        case L'>': escaped += L"&gt;"; break;
        case L'"': escaped += L"&quot;"; break;
        case L'\'': escaped += L"&apos;"; break;
        default:
            const bool allowedControl = c == L'\t' || c == L'\n' || c == L'\r';
            const bool forbidden = (c < 0x20 && !allowedControl) || IsHighSurrogate(c) || IsLowSurrogate(c) ||
                                   c == 0xFFFE || c == 0xFFFF;
            if (!forbidden) escaped += c;
        }
    }
    return escaped;
}

std::wstring ToastXml(const wchar_t* title, const wchar_t* text)
{
    return L"<toast><visual><binding template=\"ToastText02\"><text id=\"1\">" + EscapeXml(title) +
           L"</text><text id=\"2\">" + EscapeXml(text) + L"</text></binding></visual></toast>";
}

}  // namespace toasthost
