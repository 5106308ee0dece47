#pragma once
// Texts that more than one part of the program shows: the window and the toast share the
// product's name.

inline constexpr wchar_t kWindowTitle[] = L"Mobile Broadband Update";
