#pragma once
// The toast's XML: a two-line text template (a bold first line, a wrapped second) that Windows 8
// and every later version show, with both texts escaped.

#include <string>

namespace toasthost {

// `text` made safe as XML character data or attribute value: markup characters become
// references, and characters XML 1.0 cannot carry at all (controls, lone surrogates,
// U+FFFE/U+FFFF) are dropped, so that no given text can change or break the document.
std::wstring EscapeXml(const wchar_t* text);

std::wstring ToastXml(const wchar_t* title, const wchar_t* text);

}  // namespace toasthost
