// The update window in a contrast theme. Wine cannot turn one on (SPI_GETHIGHCONTRAST always says
// off), so the window is told through its seam, while the system's colours really change
// (SetSysColors, which also tells every window). The colours are the whole Wine session's: this
// suite runs alone, and puts them back whatever happens.

#include "Probe.h"
#include "app/KeshUIApp.h"
#include "support/TestSupport.h"
#include "ui/ContrastTheme.h"
#include "ui/KeshUIDlg.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using namespace kesh_test;

namespace {

std::atomic<bool> g_contrastOn{ false };
bool ContrastAnswer()
{
    return g_contrastOn;
}

// A dark scheme, in colours that tell apart what is drawn in which.
constexpr int kElements[] = { COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HOTLIGHT };
constexpr COLORREF kWindow = RGB(0, 0, 0);
constexpr COLORREF kWindowText = RGB(255, 255, 0);
constexpr COLORREF kHotLight = RGB(0, 255, 255);

class SystemColours {
public:
    SystemColours()
    {
        for (size_t i = 0; i < 3; ++i) m_saved[i] = ::GetSysColor(kElements[i]);
    }
    ~SystemColours() { ::SetSysColors(3, kElements, m_saved); }
    SystemColours(const SystemColours&) = delete;
    SystemColours& operator=(const SystemColours&) = delete;
    static void UseDarkScheme()
    {
        const COLORREF dark[] = { kWindow, kWindowText, kHotLight };
        ::SetSysColors(3, kElements, dark);
    }

private:
    COLORREF m_saved[3] = {};
};

// The window and its controls have drawn everything they were asked to (messages sent to it
// before this call included).
bool NothingLeftToPaint(HWND window)
{
    ::SendMessageW(window, WM_NULL, 0, 0);
    if (::GetUpdateRect(window, nullptr, FALSE)) return false;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (::GetUpdateRect(child, nullptr, FALSE)) return false;
    }
    return true;
}

size_t Count(const std::vector<COLORREF>& pixels, COLORREF colour)
{
    size_t count = 0;
    for (const COLORREF pixel : pixels) count += pixel == colour ? 1 : 0;
    return count;
}

}  // namespace

TEST(ContrastTheme, TheWindowTakesTheThemesColoursAtOnceAndGivesThemBackPixelForPixel)
{
    SystemColours colours;
    g_contrastOn = false;
    const ScopedContrastThemeOverride seam(&ContrastAnswer);
    CKeshUIApp app;
    app.m_bNotifMode = true;
    app.m_bUpdateAvailable = true;  // the status line is a link
    app.m_strServerResponse = L"http://example.com/contrast";
    CKeshUIDlg dialog;
    app.m_pMainWnd = &dialog;
    RunDialog(dialog, [&](HWND window) {
        const HWND status = ::GetDlgItem(window, IDC_STATUS);
        const HWND title = ::GetDlgItem(window, IDC_TITLE);
        const HWND closeMark = ::GetDlgItem(window, IDC_CLOSE);
        // The icon, the text and the rest drawn: Wine paints the icon's control last, now and then
        // after the window has nothing left to paint.
        const HWND icon = ::GetWindow(window, GW_CHILD);
        ASSERT_TRUE(probe::WaitUntil([&] { return Count(probe::ClientPixels(status), RGB(0, 0, 0)) > 20; }, 5000));
        ASSERT_TRUE(probe::WaitUntil([&] {
            const std::vector<COLORREF> picture = probe::ClientPixels(icon);
            return NothingLeftToPaint(window) && Count(picture, RGB(255, 255, 255)) < picture.size();
        }, 5000));
        const std::vector<COLORREF> asToday = probe::ClientPixels(window);

        // Other system colours without a contrast theme change nothing at all, once every control
        // has been drawn anew (the system tells the windows, and they repaint, in their own time).
        SystemColours::UseDarkScheme();
        EXPECT_TRUE(probe::WaitUntil([&] { return NothingLeftToPaint(window) && probe::ClientPixels(window) == asToday; },
                                     5000))
            << "the window changed without a contrast theme";

        // A contrast theme turned on: everything in the theme's colours, at once.
        g_contrastOn = true;
        ::SendMessageW(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        ASSERT_TRUE(probe::WaitUntil([&] { return probe::ClientPixels(window).front() == kWindow; }, 5000)) << "background";
        ASSERT_TRUE(probe::WaitUntil([&] { return Count(probe::ClientPixels(status), kHotLight) > 20; }, 5000)) << "link colour";
        // The controls repaint one after the other: the last of them too before anything is read.
        ASSERT_TRUE(probe::WaitUntil([&] { return Count(probe::ClientPixels(closeMark), kWindowText) > 40; }, 5000))
            << "the cross is missing";
        ASSERT_TRUE(probe::WaitUntil([&] { return NothingLeftToPaint(window); }, 5000));
        const std::vector<COLORREF> link = probe::ClientPixels(status);
        EXPECT_EQ(0u, Count(link, RGB(255, 255, 255)));
        EXPECT_EQ(0u, Count(link, kWindowText)) << "the link is in the links' colour only";
        const std::vector<COLORREF> titleText = probe::ClientPixels(title);
        EXPECT_GT(Count(titleText, kWindowText), 20u);
        EXPECT_EQ(0u, Count(titleText, RGB(255, 255, 255)));
        // The close mark: the cross in the text colour, the rest in the window's, and nothing else.
        const std::vector<COLORREF> cross = probe::ClientPixels(closeMark);
        EXPECT_EQ(cross.size(), Count(cross, kWindowText) + Count(cross, kWindow)) << "other colours in the close mark";

        // Switched off again: every pixel as it was.
        g_contrastOn = false;
        ::SendMessageW(window, WM_THEMECHANGED, 0, 0);
        EXPECT_TRUE(probe::WaitUntil([&] { return probe::ClientPixels(window) == asToday; }, 5000))
            << "the window did not come back as it was";
        // And on again through a change of the colours themselves.
        g_contrastOn = true;
        SystemColours::UseDarkScheme();
        EXPECT_TRUE(probe::WaitUntil([&] { return probe::ClientPixels(window).front() == kWindow; }, 5000));
        g_contrastOn = false;
        ::SendMessageW(window, WM_SYSCOLORCHANGE, 0, 0);
        EXPECT_TRUE(probe::WaitUntil([&] { return probe::ClientPixels(window) == asToday; }, 5000));
        ASSERT_TRUE(probe::Activate(window));
        probe::PressKey(VK_ESCAPE);
    });
}
