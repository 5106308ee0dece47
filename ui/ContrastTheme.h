#pragma once
// Contrast themes (High Contrast Black, Night sky, ...): whether one is on, and the close mark as
// a one-bit mask that a static control draws in the colours its window sets.

#include <windows.h>

// Whether a contrast theme is on (SPI_GETHIGHCONTRAST reports HCF_HIGHCONTRASTON), unless a test
// has put its own answer in place: the test platform cannot turn one on.
bool ContrastThemeOn();

class ScopedContrastThemeOverride {
public:
    explicit ScopedContrastThemeOverride(bool (*query)());
    ~ScopedContrastThemeOverride();
    ScopedContrastThemeOverride(const ScopedContrastThemeOverride&) = delete;
    ScopedContrastThemeOverride& operator=(const ScopedContrastThemeOverride&) = delete;

private:
    bool (*m_previous)();
};

// A one-bit copy of `picture`: 0 (drawn in the text colour) where a pixel is darker than a light
// grey, 1 (drawn in the background colour) elsewhere. Null when it cannot be made.
HBITMAP MakeOneBitMask(HBITMAP picture);
