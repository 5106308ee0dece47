#include "ui/ContrastTheme.h"

#include "win32/Gdi.h"

#include <vector>

namespace {

bool SystemContrastThemeOn()
{
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof(contrast);
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

bool (*g_query)() = &SystemContrastThemeOn;

// The close mark's strokes fade to a light grey at their tips; everything at least that dark is
// part of the mark, its paler smoothed edges are not.
constexpr int kInkBelowLuminance = 200;

}  // namespace

bool ContrastThemeOn()
{
    return g_query();
}

ScopedContrastThemeOverride::ScopedContrastThemeOverride(bool (*query)()) : m_previous(g_query)
{
    g_query = query;
}

ScopedContrastThemeOverride::~ScopedContrastThemeOverride()
{
    g_query = m_previous;
}

HBITMAP MakeOneBitMask(HBITMAP picture)
{
    BITMAP size = {};
    if (!picture || !::GetObjectW(picture, sizeof(size), &size) || size.bmWidth <= 0 || size.bmHeight <= 0) return nullptr;
    const int width = size.bmWidth;
    const int height = size.bmHeight;

    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    const int rows = ::GetDIBits(WindowDC(nullptr).get(), picture, 0, static_cast<UINT>(height), pixels.data(), &format,
                                 DIB_RGB_COLORS);
    if (rows != height) return nullptr;

    // CreateBitmap takes rows of whole 16-bit words, the leftmost pixel in the highest bit.
    const int stride = (width + 15) / 16 * 2;
    std::vector<BYTE> bits(static_cast<size_t>(stride) * height, 0xFF);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const DWORD pixel = pixels[static_cast<size_t>(y) * width + x];
            const int red = static_cast<int>((pixel >> 16) & 0xFF);
            const int green = static_cast<int>((pixel >> 8) & 0xFF);
            const int blue = static_cast<int>(pixel & 0xFF);
            const int luminance = (299 * red + 587 * green + 114 * blue) / 1000;
            if (luminance < kInkBelowLuminance) {
                bits[static_cast<size_t>(y) * stride + x / 8] &= static_cast<BYTE>(~(0x80 >> (x % 8)));
            }
        }
    }
    return ::CreateBitmap(width, height, 1, 1, bits.data());
}
