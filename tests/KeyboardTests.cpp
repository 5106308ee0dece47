// The real KeshUI.exe for a keyboard user, driven with real keys (SendInput) and read from this
// process: where the focus is, the focus rectangle on screen, and what each key does.

#include "Probe.h"
#include "service/UpdateServiceContract.h"
#include "support/TestSupport.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kesh_test;

namespace {

const std::wstring kKeshUI = BinPath(kProgramFileName);

// Another program the user is typing in: a window of this process with an edit control.
class Typist {
public:
    Typist()
    {
        m_window = ::CreateWindowExW(0, L"STATIC", L"the user's own program", WS_POPUP | WS_VISIBLE, 40, 40, 300, 60,
                                     nullptr, nullptr, nullptr, nullptr);
        m_edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 5, 5, 290, 24, m_window, nullptr,
                                   nullptr, nullptr);
    }
    ~Typist() { ::DestroyWindow(m_window); }
    Typist(const Typist&) = delete;
    Typist& operator=(const Typist&) = delete;
    bool TakeTheKeyboard()
    {
        ::SetForegroundWindow(m_window);
        ::SetFocus(m_edit);
        return PumpMessagesUntil([&] { return ::GetForegroundWindow() == m_window && ::GetFocus() == m_edit; }, 5000);
    }
    std::wstring Text() const { return probe::WindowText(m_edit); }
    HWND Window() const { return m_window; }

private:
    HWND m_window = nullptr;
    HWND m_edit = nullptr;
};

bool WaitForFocus(HWND window, HWND expected)
{
    return probe::WaitUntil([&] { return probe::FocusIn(window) == expected; }, 5000);
}

class Keyboard : public testing::Test {
protected:
    HWND StartNotification(const std::wstring& answer)
    {
        SetSettingString(kServerResponseValueName, answer);
        m_ui = Start(kKeshUI, L"/NotifMode");
        return probe::WaitForUpdateWindow(10000, m_ui.id);
    }
    SettingsKeyGuard m_key;
    Process m_ui;
};

}  // namespace

TEST_F(Keyboard, TheNotificationAppearsWithoutTakingTheKeyboardFromTheUsersProgram)
{
    Typist typist;
    ASSERT_TRUE(typist.TakeTheKeyboard());
    const std::wstring answer = L"https://updates.example.com/keys/1";
    const HWND window = StartNotification(answer);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(typist.Window(), ::GetForegroundWindow()) << "the notification took the foreground";
    EXPECT_TRUE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) << "no longer topmost";

    // What the user types goes on to the user's program; a stray Escape does not close the window.
    probe::PressKey('A');
    probe::PressKey('B');
    probe::PressKey(VK_ESCAPE);
    EXPECT_TRUE(PumpMessagesUntil([&] { return typist.Text() == L"ab"; }, 5000)) << typist.Text();
    EXPECT_FALSE(m_ui.Wait(300));
    EXPECT_EQ(L"<none>", LastShownResponse());

    // A click on it brings it forward with the keyboard.
    probe::ClickAt(probe::CentreOf(probe::ControlScreenRect(window, IDC_TITLE)));
    ASSERT_TRUE(PumpMessagesUntil([&] { return ::GetForegroundWindow() == window; }, 5000));
    probe::PressKey(VK_ESCAPE);
    EXPECT_TRUE(m_ui.Wait(10000));
    EXPECT_EQ(answer, LastShownResponse());
}

TEST_F(Keyboard, TabAndShiftTabCycleTheLinkAndTheCloseMarkEnterDoesNothingAndSpaceFollowsTheLink)
{
    UrlCapture capture;
    const std::wstring answer = L"https://updates.example.com/keys/2";
    const HWND window = StartNotification(answer);
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(probe::Activate(window));
    const HWND link = ::GetDlgItem(window, IDC_STATUS);
    const HWND closeMark = ::GetDlgItem(window, IDC_CLOSE);

    // Nothing has the focus at first: a key typed as the window appears does nothing.
    EXPECT_NE(link, probe::FocusIn(window));
    EXPECT_NE(closeMark, probe::FocusIn(window));
    probe::PressKey(VK_SPACE);
    probe::PressKey(VK_RETURN);
    EXPECT_FALSE(probe::FocusRectangleShown(link));

    probe::PressKey(VK_TAB);
    ASSERT_TRUE(WaitForFocus(window, link));
    EXPECT_TRUE(probe::WaitUntil([&] { return probe::FocusRectangleShown(link); }, 5000)) << "no focus rectangle";
    probe::PressKey(VK_TAB);
    ASSERT_TRUE(WaitForFocus(window, closeMark));
    EXPECT_TRUE(probe::WaitUntil([&] { return probe::FocusRectangleShown(closeMark); }, 5000));
    EXPECT_TRUE(probe::WaitUntil([&] { return !probe::FocusRectangleShown(link); }, 5000)) << "the old rectangle stayed";
    probe::PressKey(VK_TAB);
    EXPECT_TRUE(WaitForFocus(window, link)) << "Tab does not wrap round";
    probe::PressKeyWith(VK_SHIFT, VK_TAB);
    EXPECT_TRUE(WaitForFocus(window, closeMark));
    probe::PressKeyWith(VK_SHIFT, VK_TAB);
    EXPECT_TRUE(WaitForFocus(window, link)) << "Shift+Tab does not wrap round";

    probe::PressKey(VK_RETURN);
    probe::PressKey(VK_TAB);
    ASSERT_TRUE(WaitForFocus(window, closeMark)) << "Enter ended the window";
    EXPECT_TRUE(capture.Entries().empty()) << "Enter opened the page";
    probe::PressKeyWith(VK_SHIFT, VK_TAB);
    ASSERT_TRUE(WaitForFocus(window, link));

    // Space on the link is a click on it: the page opens as the session's user, the answer counts
    // as shown.
    probe::PressKey(VK_SPACE);
    ASSERT_TRUE(m_ui.Wait(10000));
    ASSERT_TRUE(capture.WaitForCapture(10000));
    EXPECT_EQ(answer, capture.Entries().at(0).address);
    EXPECT_EQ(answer, LastShownResponse());
}

TEST_F(Keyboard, WithoutALinkOnlyTheCloseMarkTakesTheFocusAndSpaceOnItCloses)
{
    Process ui = Start(kKeshUI, L"");  // no service: the status says so and is no link
    const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(probe::Activate(window));
    const HWND closeMark = ::GetDlgItem(window, IDC_CLOSE);
    probe::PressKeyWith(VK_SHIFT, VK_TAB);
    ASSERT_TRUE(WaitForFocus(window, closeMark));
    probe::PressKey(VK_TAB);
    probe::PressKey(VK_TAB);
    EXPECT_TRUE(probe::WaitUntil([&] { return probe::FocusRectangleShown(closeMark); }, 5000));
    EXPECT_EQ(closeMark, probe::FocusIn(window));

    probe::PressKey(VK_SPACE);
    EXPECT_TRUE(ui.Wait(10000)) << "Space on the close mark did not close the window";
    EXPECT_EQ(L"<none>", LastShownResponse());
}
