// How the update window looks and stands, measured on the real window with the font Wine really
// gave it: sizes in dialog units, control rectangles and styles, fonts, white background,
// hit-testing and dragging, placement per mode, icons.

#include "Probe.h"
#include "app/KeshUIApp.h"
#include "support/TestSupport.h"
#include "ui/KeshUIDlg.h"
#include "ui/WindowTexts.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace kesh_test;

namespace {

// A template item's rectangle as the dialog manager makes it: position and size each converted
// from dialog units (so the size is not the difference of two converted edges).
RECT DialogUnitsToPixels(HWND dialog, int x, int y, int cx, int cy)
{
    RECT converted = { x, y, cx, cy };
    ::MapDialogRect(dialog, &converted);
    return RECT{ converted.left, converted.top, converted.left + converted.right, converted.top + converted.bottom };
}

RECT ClientRectOf(HWND dialog, int id)
{
    const HWND control = ::GetDlgItem(dialog, id);
    RECT rect = {};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

LOGFONTW FontOf(HWND window)
{
    LOGFONTW logFont = {};
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
    ::GetObjectW(font, sizeof(logFont), &logFont);
    return logFont;
}

bool IsTopmost(HWND window)
{
    return (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

RECT WorkArea()
{
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

class WindowLook : public testing::Test {
protected:
    // Counts the icon-background requests; on the registered message below it minimises the
    // window and asks it to paint, in one step on the window's own thread. (Wine restores a
    // minimised window of its own accord when the thread next handles X events, so a minimise
    // from another thread followed by a paint would race with that.)
    static LRESULT CALLBACK CountIconErases(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && message->message == WM_ICONERASEBKGND) ++s_iconErases;
        if (code == HC_ACTION && message->message == MinimiseAndPaintMessage()) {
            ::ShowWindow(message->hwnd, SW_MINIMIZE);
            s_iconicWhenPainted = ::IsIconic(message->hwnd) != FALSE;
            s_iconErases = 0;
            ::SendMessageW(message->hwnd, WM_PAINT, 0, 0);
            s_erasesWhileIconic = s_iconErases.load();
            ::ShowWindow(message->hwnd, SW_RESTORE);
        }
        if (code == HC_ACTION && message->message == PaintAndSampleMessage()) SamplePaintedPixels(message->hwnd);
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static UINT MinimiseAndPaintMessage()
    {
        static const UINT message = ::RegisterWindowMessageW(L"KeshTest_MinimiseAndPaint");
        return message;
    }
    static UINT PaintAndSampleMessage()
    {
        static const UINT message = ::RegisterWindowMessageW(L"KeshTest_PaintAndSample");
        return message;
    }
    struct PixelSample {
        bool statusStillInvalid = true;
        int white = 0;
        int dark = 0;
        int other = 0;
        COLORREF blank[4] = {};
    };
    // Paints the whole window now and reads what it drew before the thread handles anything else.
    static void SamplePaintedPixels(HWND window)
    {
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PixelSample sample;
        const HWND statusControl = ::GetDlgItem(window, IDC_STATUS);
        sample.statusStillInvalid = ::GetUpdateRect(statusControl, nullptr, FALSE) != FALSE;
        RECT client = {};
        ::GetClientRect(window, &client);
        const RECT status = ClientRectOf(window, IDC_STATUS);
        const HDC dc = ::GetDC(window);
        for (int y = status.top; y < status.bottom; ++y) {
            for (int x = status.left; x < status.right; ++x) {
                const COLORREF pixel = ::GetPixel(dc, x, y);
                if (pixel == RGB(255, 255, 255)) ++sample.white;
                else if (GetRValue(pixel) < 64 && GetGValue(pixel) < 64 && GetBValue(pixel) < 64) ++sample.dark;
                else ++sample.other;
            }
        }
        // Empty places of the client area, away from every control's drawing.
        const POINT blank[] = { { 1, 1 }, { client.right - 2, client.bottom - 2 }, { 1, client.bottom - 2 },
                                { client.right / 2, status.bottom + 1 } };
        for (int i = 0; i < 4; ++i) sample.blank[i] = ::GetPixel(dc, blank[i].x, blank[i].y);
        ::ReleaseDC(window, dc);
        s_sample = sample;
    }
    static PixelSample s_sample;
    static std::atomic<bool> s_iconicWhenPainted;
    static std::atomic<int> s_erasesWhileIconic;
    void SetUp() override { m_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, &CountIconErases, nullptr, ::GetCurrentThreadId()); }
    void TearDown() override { ::UnhookWindowsHookEx(m_hook); }
    static std::atomic<int> s_iconErases;
    HHOOK m_hook = nullptr;

    // Runs the window in a mode (interactive: no service, so no check runs for long), lets
    // `inspect` look at it, then closes it.
    void Inspect(bool notif, const std::function<void(HWND)>& inspect)
    {
        m_app.m_bNotifMode = notif;
        m_app.m_bUpdateAvailable = notif;
        m_app.m_strServerResponse = notif ? L"http://example.com/x" : L"";
        CKeshUIDlg dialog;
        m_app.m_pMainWnd = &dialog;
        RunDialog(dialog, [&](HWND window) {
            inspect(window);
            ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        });
    }
    SettingsKeyGuard m_key;
    CKeshUIApp m_app;
};

std::atomic<int> WindowLook::s_iconErases{ 0 };
WindowLook::PixelSample WindowLook::s_sample;
std::atomic<bool> WindowLook::s_iconicWhenPainted{ false };
std::atomic<int> WindowLook::s_erasesWhileIconic{ 0 };

}  // namespace

TEST_F(WindowLook, ClientAreaIsTheTemplateSizeInTheWindowsOwnDialogUnits)
{
    Inspect(false, [](HWND window) {
        // The rule, stated independently of MapDialogRect: a horizontal unit is a quarter of the
        // template font's average character width, a vertical one an eighth of its height.
        const HDC dc = ::GetDC(window);
        const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics = {};
        ::GetTextMetricsW(dc, &metrics);
        SIZE extent = {};
        const wchar_t alphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        ::GetTextExtentPoint32W(dc, alphabet, 52, &extent);
        ::SelectObject(dc, old);
        ::ReleaseDC(window, dc);
        const int baseX = (extent.cx / 26 + 1) / 2;
        const int baseY = metrics.tmHeight;

        RECT client = {};
        ::GetClientRect(window, &client);
        EXPECT_EQ(::MulDiv(184, baseX, 4), client.right);
        EXPECT_EQ(::MulDiv(49, baseY, 8), client.bottom);
        const RECT mapped = DialogUnitsToPixels(window, 0, 0, 184, 49);
        EXPECT_EQ(mapped.right, client.right);
        EXPECT_EQ(mapped.bottom, client.bottom);

        // A one-pixel border, nothing else, around the client area.
        const RECT outer = probe::WindowRect(window);
        EXPECT_EQ(client.right + 2, outer.right - outer.left);
        EXPECT_EQ(client.bottom + 2, outer.bottom - outer.top);
    });
}

TEST_F(WindowLook, ControlsStandWhereTheTemplatePutsThem)
{
    Inspect(false, [](HWND window) {
        const RECT title = DialogUnitsToPixels(window, 24, 4, 131, 15);
        const RECT titleGot = ClientRectOf(window, IDC_TITLE);
        EXPECT_TRUE(::EqualRect(&title, &titleGot));
        const RECT status = DialogUnitsToPixels(window, 4, 24, 176, 18);
        const RECT statusGot = ClientRectOf(window, IDC_STATUS);
        EXPECT_TRUE(::EqualRect(&status, &statusGot));

        // Image controls size themselves to their image, at the template's top-left corner.
        const RECT closeMark = ClientRectOf(window, IDC_CLOSE);
        const RECT closeAt = DialogUnitsToPixels(window, 166, 4, 14, 14);
        EXPECT_EQ(closeAt.left, closeMark.left);
        EXPECT_EQ(closeAt.top, closeMark.top);
        EXPECT_EQ(32, closeMark.right - closeMark.left);
        EXPECT_EQ(32, closeMark.bottom - closeMark.top);

        const HWND icon = ::GetWindow(window, GW_CHILD);  // the first control: no identifier
        ASSERT_NE(nullptr, icon);
        EXPECT_EQ(0xFFFF, ::GetDlgCtrlID(icon) & 0xFFFF);
        RECT iconRect = {};
        ::GetWindowRect(icon, &iconRect);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&iconRect), 2);
        const RECT iconAt = DialogUnitsToPixels(window, 4, 4, 20, 20);
        EXPECT_EQ(iconAt.left, iconRect.left);
        EXPECT_EQ(iconAt.top, iconRect.top);
        EXPECT_EQ(::GetSystemMetrics(SM_CXICON), iconRect.right - iconRect.left);
        EXPECT_EQ(::GetSystemMetrics(SM_CYICON), iconRect.bottom - iconRect.top);
    });
}

TEST_F(WindowLook, StylesIdsAndTextsOfTheWindowAndItsControls)
{
    Inspect(false, [](HWND window) {
        const LONG style = ::GetWindowLongW(window, GWL_STYLE);
        EXPECT_EQ(static_cast<LONG>(WS_POPUP | WS_VISIBLE | WS_BORDER), style & (WS_POPUP | WS_VISIBLE | WS_BORDER));
        EXPECT_EQ(0, style & (WS_CAPTION & ~WS_BORDER)) << "no caption bar";
        EXPECT_EQ(0, style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
        EXPECT_TRUE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
        EXPECT_EQ(kWindowTitle, probe::WindowText(window));

        const struct {
            int id;
            DWORD style;
        } controls[] = {
            { IDC_TITLE, 0x50020200 },
            { IDC_STATUS, 0x50020101 },
            { IDC_CLOSE, 0x5000010E },
        };
        for (const auto& c : controls) {
            SCOPED_TRACE(c.id);
            const HWND control = ::GetDlgItem(window, c.id);
            ASSERT_NE(nullptr, control);
            EXPECT_EQ(c.style, static_cast<DWORD>(::GetWindowLongW(control, GWL_STYLE)));
            wchar_t className[32] = {};
            ::GetClassNameW(control, className, 32);
            EXPECT_EQ(0, lstrcmpiW(L"Static", className));
        }
        const HWND icon = ::GetWindow(window, GW_CHILD);
        EXPECT_EQ(0x50000003u, static_cast<DWORD>(::GetWindowLongW(icon, GWL_STYLE)));
        EXPECT_TRUE(::GetWindowLongW(icon, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
        EXPECT_EQ(kWindowTitle, probe::ControlText(window, IDC_TITLE));
    });
}

TEST_F(WindowLook, TitleHasItsOwnFontAndEverythingElseTheTemplateFont)
{
    Inspect(false, [](HWND window) {
        const LOGFONTW title = FontOf(::GetDlgItem(window, IDC_TITLE));
        LOGFONTW expected = {};
        expected.lfHeight = 24;
        expected.lfWeight = FW_SEMIBOLD;
        lstrcpyW(expected.lfFaceName, L"Verdana");
        EXPECT_EQ(0, memcmp(&expected, &title, sizeof(LOGFONTW))) << "the title LOGFONT is not zero but height, weight, face";

        const LOGFONTW dialogFont = FontOf(window);
        EXPECT_STREQ(L"Verdana", dialogFont.lfFaceName);
        const HDC dc = ::GetDC(window);
        EXPECT_EQ(-::MulDiv(11, ::GetDeviceCaps(dc, LOGPIXELSY), 72), dialogFont.lfHeight);
        ::ReleaseDC(window, dc);
        EXPECT_EQ(FW_NORMAL, dialogFont.lfWeight);
        EXPECT_EQ(0, dialogFont.lfItalic);
        for (int id : { IDC_STATUS }) {
            EXPECT_EQ(::SendMessageW(window, WM_GETFONT, 0, 0), ::SendMessageW(::GetDlgItem(window, id), WM_GETFONT, 0, 0));
        }
    });
}

TEST_F(WindowLook, EveryColourQueryGetsTheWhiteBrushAndTheContextIsLeftAlone)
{
    Inspect(false, [](HWND window) {
        const HDC dc = ::CreateCompatibleDC(nullptr);
        for (UINT message = WM_CTLCOLORMSGBOX; message <= WM_CTLCOLORSTATIC; ++message) {
            for (int mode : { OPAQUE, TRANSPARENT }) {
                SCOPED_TRACE(message);
                ::SetTextColor(dc, RGB(1, 2, 3));
                ::SetBkColor(dc, RGB(4, 5, 6));
                ::SetBkMode(dc, mode);
                const LRESULT brush = ::SendMessageW(window, message, reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(::GetDlgItem(window, IDC_STATUS)));
                EXPECT_EQ(reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH)), brush);
                EXPECT_EQ(RGB(1, 2, 3), ::GetTextColor(dc));
                EXPECT_EQ(RGB(4, 5, 6), ::GetBkColor(dc));
                EXPECT_EQ(mode, ::GetBkMode(dc));
            }
        }
        ::DeleteDC(dc);
    });
}

TEST_F(WindowLook, ClientAreaIsWhiteAroundBlackText)
{
    Inspect(false, [](HWND window) {
        // Painted and read in one step on the window's own thread: read from here, the pixels
        // raced with that thread's handling of X events (an expose erases and repaints), and a
        // first run on a fresh machine once read an erased, not yet repainted, status line.
        ::SendMessageW(window, PaintAndSampleMessage(), 0, 0);
        const PixelSample& got = s_sample;
        EXPECT_FALSE(got.statusStillInvalid) << "the status line had no paint";
        for (const COLORREF pixel : got.blank) EXPECT_EQ(RGB(255, 255, 255), pixel);
        EXPECT_GT(got.dark, 20) << "the status text is drawn in black";
        EXPECT_GT(got.white, 10 * (got.dark + got.other)) << "the status line's background is white";
    });
}

TEST_F(WindowLook, EveryPointIsCaptionSoOnlyTheTwoClickableControlsKeepTheMouse)
{
    Inspect(false, [](HWND window) {
        const RECT outer = probe::WindowRect(window);
        const POINT points[] = { { outer.left, outer.top }, { outer.right - 1, outer.bottom - 1 },
                                 probe::CentreOf(outer), { outer.left - 50, outer.top - 50 } };
        for (const POINT& p : points) {
            EXPECT_EQ(HTCAPTION, ::SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)));
        }
        // The icon and the title let the mouse through to the window beneath; the status line
        // and the close mark (the bitmap's white margin included) take it.
        const HWND icon = ::GetWindow(window, GW_CHILD);
        const HWND controls[] = { icon, ::GetDlgItem(window, IDC_TITLE), ::GetDlgItem(window, IDC_STATUS),
                                  ::GetDlgItem(window, IDC_CLOSE) };
        const LRESULT expected[] = { HTTRANSPARENT, HTTRANSPARENT, HTCLIENT, HTCLIENT };
        for (int i = 0; i < 4; ++i) {
            RECT rect = {};
            ::GetWindowRect(controls[i], &rect);
            for (const POINT& p : { probe::CentreOf(rect), POINT{ rect.left, rect.top } }) {
                EXPECT_EQ(expected[i], ::SendMessageW(controls[i], WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y))) << i;
            }
        }
    });
}

TEST_F(WindowLook, DraggingTheTitleIconOrEmptyAreaMovesTheWindowButNotTheStatusOrCloseMark)
{
    Inspect(false, [&](HWND window) {
        auto offset = [](POINT p, int dx, int dy) { return POINT{ p.x + dx, p.y + dy }; };
        RECT at = probe::WindowRect(window);
        const POINT title = probe::CentreOf(probe::ControlScreenRect(window, IDC_TITLE));
        ASSERT_TRUE(probe::DragWindow(window, title, offset(title, 60, 40)));
        EXPECT_EQ(at.left + 60, probe::WindowRect(window).left);
        EXPECT_EQ(at.top + 40, probe::WindowRect(window).top);

        at = probe::WindowRect(window);
        RECT iconRect = {};
        ::GetWindowRect(::GetWindow(window, GW_CHILD), &iconRect);
        ASSERT_TRUE(probe::DragWindow(window, probe::CentreOf(iconRect), offset(probe::CentreOf(iconRect), -30, 20)));
        const POINT empty = { at.left - 30 + 3, at.bottom + 20 - 3 };
        ASSERT_TRUE(probe::DragWindow(window, empty, offset(empty, 5, -5)));
        EXPECT_EQ(at.left - 25, probe::WindowRect(window).left);
        EXPECT_EQ(at.top + 15, probe::WindowRect(window).top);

        // A press on the status line (no link now) or on the close mark's margin... the close
        // mark would end the window, so only the status line here: its press is a click, and no
        // move loop starts. The drag on the title that follows is handled after it, so the end
        // position tells whether the press on the status line moved anything.
        at = probe::WindowRect(window);
        const POINT status = probe::CentreOf(probe::ControlScreenRect(window, IDC_STATUS));
        probe::PressMoveRelease(status, offset(status, -200, -100));
        const POINT titleNow = probe::CentreOf(probe::ControlScreenRect(window, IDC_TITLE));
        ASSERT_TRUE(probe::DragWindow(window, titleNow, offset(titleNow, 7, 9)));
        EXPECT_EQ(at.left + 7, probe::WindowRect(window).left);
        EXPECT_EQ(at.top + 9, probe::WindowRect(window).top);
    });
}

TEST_F(WindowLook, InteractiveWindowIsCentredAndNotTopmost)
{
    Inspect(false, [](HWND window) {
        const RECT work = WorkArea();
        const RECT outer = probe::WindowRect(window);
        const int width = outer.right - outer.left;
        const int height = outer.bottom - outer.top;
        EXPECT_NEAR(work.left + (work.right - work.left - width) / 2, outer.left, 1);
        EXPECT_NEAR(work.top + (work.bottom - work.top - height) / 2, outer.top, 1);
        EXPECT_FALSE(IsTopmost(window));
    });
}

TEST_F(WindowLook, NotificationWindowStandsEightPixelsInsideTheWorkAreaCornerAndStaysTopmost)
{
    const RECT screen = { 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN) };
    const RECT original = WorkArea();
    // The work area as it is, and as it would be with a taskbar at the bottom or at the right.
    const RECT workAreas[] = { original, { 0, 0, screen.right, screen.bottom - 40 }, { 0, 0, screen.right - 100, screen.bottom } };
    for (const RECT& wanted : workAreas) {
        RECT set = wanted;
        ::SystemParametersInfoW(SPI_SETWORKAREA, 0, &set, 0);
        const RECT work = WorkArea();
        ASSERT_TRUE(::EqualRect(&work, &wanted)) << "the platform did not take the work area";
        Inspect(true, [&](HWND window) {
            const RECT outer = probe::WindowRect(window);
            EXPECT_EQ(work.right - 8, outer.right);
            EXPECT_EQ(work.bottom - 8, outer.bottom);
            EXPECT_TRUE(IsTopmost(window));
        });
    }
    RECT restore = original;
    ::SystemParametersInfoW(SPI_SETWORKAREA, 0, &restore, 0);
}

TEST_F(WindowLook, WindowCarriesTheProgramIconAndDrawsItWhenMinimised)
{
    Inspect(false, [](HWND window) {
        const auto big = reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_BIG, 0));
        const auto small = reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
        EXPECT_NE(nullptr, big);
        EXPECT_EQ(big, small);
        EXPECT_EQ(reinterpret_cast<LRESULT>(big), ::SendMessageW(window, WM_QUERYDRAGICON, 0, 0));
        EXPECT_EQ(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)), big);

        // Minimised, the window paints the icon itself after asking for its background; shown,
        // it leaves painting to the default.
        s_iconErases = 0;
        ::SendMessageW(window, WM_PAINT, 0, 0);
        EXPECT_EQ(0, s_iconErases);
        ::SendMessageW(window, MinimiseAndPaintMessage(), 0, 0);
        EXPECT_TRUE(s_iconicWhenPainted);
        EXPECT_EQ(1, s_erasesWhileIconic);
    });
}

// Runs only in the high-DPI pass (CTest sets KESH_EXPECT_DPI and the prefix's DPI); there the
// whole WindowLook suite runs again, since every measure above is stated in the window's own units.
TEST(HighDpi, TemplateFontGrowsWhileTheTitleFontStaysTwentyFourPixels)
{
    char expected[16] = {};
    if (!::GetEnvironmentVariableA("KESH_EXPECT_DPI", expected, sizeof(expected))) GTEST_SKIP() << "normal DPI pass";
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    ASSERT_EQ(atoi(expected), dpi) << "the prefix did not take the DPI";

    SettingsKeyGuard key;
    CKeshUIApp app;
    CKeshUIDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        EXPECT_EQ(-::MulDiv(11, dpi, 72), FontOf(window).lfHeight);
        EXPECT_EQ(24, FontOf(::GetDlgItem(window, IDC_TITLE)).lfHeight);
        const RECT closeMark = probe::ControlScreenRect(window, IDC_CLOSE);
        EXPECT_EQ(32, closeMark.right - closeMark.left);
        RECT client = {};
        ::GetClientRect(window, &client);
        EXPECT_GT(client.right, 184 * 2 * dpi / 96) << "dialog units grow with the DPI";
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
}
