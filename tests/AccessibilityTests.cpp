// What a screen reader gets from the real KeshUI.exe, asked from this (another) process the way
// assistive technology asks: live-region events through an out-of-context WinEvent hook, and the
// controls' accessible objects through AccessibleObjectFromWindow.

#include "Probe.h"
#include "app/UpdateSettings.h"
#include "service/UpdateServiceContract.h"
#include "support/TestSupport.h"
#include "ui/AccessibilityIds.h"
#include "ui/WindowTexts.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <functional>
#include <mutex>
#include <vector>

using namespace kesh_test;

namespace {

const std::wstring kKeshUI = BinPath(kProgramFileName);
constexpr DWORD kEventLiveRegionChanged = 0x8019;

struct LiveRegionEvent {
    HWND window;
    LONG object;
    DWORD time;
};
std::vector<LiveRegionEvent> g_events;

void CALLBACK RecordLiveRegionEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD time)
{
    g_events.push_back({ window, object, time });
}

struct Seen {
    LONG role = 0;
    std::wstring name;
    std::wstring action;  // empty: no default action
};

class Accessible {
public:
    explicit Accessible(HWND control)
    {
        ::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), kIID_IAccessible,
                                     reinterpret_cast<void**>(&m_object));
    }
    ~Accessible()
    {
        if (m_object) m_object->Release();
    }
    Accessible(const Accessible&) = delete;
    Accessible& operator=(const Accessible&) = delete;
    explicit operator bool() const { return m_object != nullptr; }

    Seen Read() const
    {
        Seen seen;
        const VARIANT self = Self();
        VARIANT role;
        ::VariantInit(&role);
        if (SUCCEEDED(m_object->get_accRole(self, &role)) && role.vt == VT_I4) seen.role = role.lVal;
        BSTR text = nullptr;
        if (SUCCEEDED(m_object->get_accName(self, &text)) && text) seen.name = text;
        ::SysFreeString(text);
        text = nullptr;
        if (m_object->get_accDefaultAction(self, &text) == S_OK && text) seen.action = text;
        ::SysFreeString(text);
        return seen;
    }
    LONG State() const
    {
        VARIANT state;
        ::VariantInit(&state);
        return SUCCEEDED(m_object->get_accState(Self(), &state)) && state.vt == VT_I4 ? state.lVal : 0;
    }
    HRESULT DoDefaultAction() const { return m_object->accDoDefaultAction(Self()); }

private:
    static VARIANT Self()
    {
        VARIANT self;
        ::VariantInit(&self);
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        return self;
    }
    IAccessible* m_object = nullptr;
};

// An action that ends the window may end the process before Wine's RPC thread has sent the reply
// (the window's thread has returned S_OK already, and handles the posted click next): the caller
// then sees the call fail. What counts is what the action did.
bool ActionTaken(HRESULT result)
{
    return result == S_OK || result == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED);
}

class Accessibility : public testing::Test {
protected:
    void SetUp() override
    {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        g_events.clear();
        m_hook = ::SetWinEventHook(kEventLiveRegionChanged, kEventLiveRegionChanged, nullptr, &RecordLiveRegionEvent,
                                   0, 0, WINEVENT_OUTOFCONTEXT);
        ASSERT_NE(nullptr, m_hook);
    }
    void TearDown() override
    {
        ::UnhookWinEvent(m_hook);
        ::CoUninitialize();
    }
    // The live-region events of `control`, once the window has had time to raise any more.
    static size_t EventsFor(HWND control)
    {
        size_t count = 0;
        for (const LiveRegionEvent& e : g_events) count += e.window == control && e.object == OBJID_CLIENT ? 1 : 0;
        return count;
    }
    // A second event would follow the first at once; 300 ms of quiet say there is none.
    static void LetMoreEventsArrive() { PumpMessagesUntil([] { return false; }, 300); }

    SettingsKeyGuard m_key;
    HWINEVENTHOOK m_hook = nullptr;
    AlertRecorder m_alerts;
};

}  // namespace

TEST_F(Accessibility, TheNewerPackageIsAnnouncedOnceAndItsLinkOpensThePage)
{
    UrlCapture capture;
    const std::wstring address = L"https://updates.example.com/kesh";
    Process service = StartServiceSimulator(L"--delay 400 --answer \"" + address + L"\"");
    Process ui = Start(kKeshUI, L"");
    const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
    ASSERT_NE(nullptr, window);
    const HWND status = ::GetDlgItem(window, IDC_STATUS);

    {
        const Accessible checking(status);
        ASSERT_TRUE(checking) << "no accessible object for the status line";
        const Seen seen = checking.Read();
        EXPECT_EQ(ROLE_SYSTEM_STATICTEXT, seen.role);
        EXPECT_EQ(kStatusChecking, seen.name);
        EXPECT_EQ(L"", seen.action);
        EXPECT_FALSE(SUCCEEDED(checking.DoDefaultAction())) << "plain text has no action";
    }
    EXPECT_TRUE(PumpMessagesUntil([&] { return probe::ControlText(window, IDC_STATUS) == kStatusNewerPackage; }, 10000));
    const ULONGLONG textSeen = ::GetTickCount64();
    EXPECT_TRUE(PumpMessagesUntil([&] { return EventsFor(status) > 0; }, 5000)) << "the new status was not announced";
    std::printf("live-region event %lld ms after the new text was read back\n",
                static_cast<long long>(::GetTickCount64() - textSeen));
    LetMoreEventsArrive();
    EXPECT_EQ(1u, EventsFor(status));
    EXPECT_EQ(g_events.size(), EventsFor(status)) << "an event for another object";
    EXPECT_TRUE(ui.Wait(0) == false) << "acting on plain text ended the window";
    EXPECT_EQ(0, m_alerts.Count()) << "an alert for the window the user asked for, whose focus is read";

    // The window is named by its title; the icon is a picture without a name.
    EXPECT_EQ(kWindowTitle, Accessible(window).Read().name);
    const Seen icon = Accessible(::GetWindow(window, GW_CHILD)).Read();
    EXPECT_EQ(L"", icon.name);
    EXPECT_EQ(L"", icon.action);

    const Accessible link(status);
    const Seen seen = link.Read();
    EXPECT_EQ(ROLE_SYSTEM_LINK, seen.role);
    EXPECT_EQ(kStatusNewerPackage, seen.name);
    EXPECT_EQ(kAccessibleOpenAction, seen.action);
    const Seen closeMark = Accessible(::GetDlgItem(window, IDC_CLOSE)).Read();
    EXPECT_EQ(ROLE_SYSTEM_PUSHBUTTON, closeMark.role);
    EXPECT_EQ(kAccessibleCloseName, closeMark.name);
    EXPECT_EQ(kAccessiblePressAction, closeMark.action);

    EXPECT_TRUE(ActionTaken(link.DoDefaultAction()));
    ASSERT_TRUE(ui.Wait(10000));
    EXPECT_EQ(0u, ui.ExitCode());
    ASSERT_TRUE(capture.WaitForCapture(10000));
    EXPECT_EQ(address, capture.Entries().at(0).address);
}

TEST_F(Accessibility, NothingNewerIsAnnouncedOnceAndTheCloseMarkClosesTheWindow)
{
    Process service = StartServiceSimulator(L"--delay 400 --answer \"\"");
    Process ui = Start(kKeshUI, L"");
    const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
    ASSERT_NE(nullptr, window);
    const HWND status = ::GetDlgItem(window, IDC_STATUS);
    EXPECT_TRUE(PumpMessagesUntil([&] { return probe::ControlText(window, IDC_STATUS) == kStatusLatestVersion; }, 10000));
    EXPECT_TRUE(PumpMessagesUntil([&] { return EventsFor(status) > 0; }, 5000));
    LetMoreEventsArrive();
    EXPECT_EQ(1u, EventsFor(status));

    const Accessible plain(status);
    EXPECT_EQ(ROLE_SYSTEM_STATICTEXT, plain.Read().role);
    EXPECT_EQ(L"", plain.Read().action);
    EXPECT_TRUE(ActionTaken(Accessible(::GetDlgItem(window, IDC_CLOSE)).DoDefaultAction()));
    ASSERT_TRUE(ui.Wait(10000));
    EXPECT_EQ(0u, ui.ExitCode());
}

TEST_F(Accessibility, NotificationModeRaisesNoEventAndItsCloseMarkCancelsAndRecords)
{
    const std::wstring address = L"http://example.com/a11y";
    SetSettingString(kServerResponseValueName, address);
    Process ui = Start(kKeshUI, L"/NotifMode");
    const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
    ASSERT_NE(nullptr, window);
    const HWND status = ::GetDlgItem(window, IDC_STATUS);
    const Accessible link(status);
    EXPECT_EQ(ROLE_SYSTEM_LINK, link.Read().role) << "the announcement is a link from the start";
    LetMoreEventsArrive();
    EXPECT_EQ(0u, EventsFor(status)) << "the one text is read with the window";
    // It takes no focus, so it announces itself: once, as an alert that carries the text.
    ASSERT_EQ(1, m_alerts.Count());
    EXPECT_EQ(status, m_alerts.Window());
    const AlertObject alert = m_alerts.ReadLast();
    EXPECT_EQ(ROLE_SYSTEM_ALERT, alert.role);
    EXPECT_EQ(kStatusNewerPackage, alert.name);
    EXPECT_TRUE(alert.state & STATE_SYSTEM_ALERT_MEDIUM);

    EXPECT_TRUE(ActionTaken(Accessible(::GetDlgItem(window, IDC_CLOSE)).DoDefaultAction()));
    ASSERT_TRUE(ui.Wait(10000));
    EXPECT_EQ(address, LastShownResponse()) << "Cancel records the answer as shown";
    EXPECT_EQ(0u, UrlCapture().Entries().size());
}

namespace {
std::vector<HWND> g_focused;  // the windows of EVENT_OBJECT_FOCUS events for their client objects
void CALLBACK RecordFocusEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD)
{
    if (object == OBJID_CLIENT) g_focused.push_back(window);
}
}  // namespace

TEST_F(Accessibility, TheLinkAndTheCloseMarkAreFocusableAndEachMoveOfTheFocusIsReported)
{
    g_focused.clear();
    const HWINEVENTHOOK focusHook = ::SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, &RecordFocusEvent,
                                                      0, 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(nullptr, focusHook);
    SetSettingString(kServerResponseValueName, L"http://example.com/a11y/focus");
    Process ui = Start(kKeshUI, L"/NotifMode");
    const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(probe::Activate(window));
    const HWND status = ::GetDlgItem(window, IDC_STATUS);
    const HWND closeMark = ::GetDlgItem(window, IDC_CLOSE);
    const Accessible link(status);
    const Accessible close(closeMark);
    EXPECT_EQ(STATE_SYSTEM_FOCUSABLE, link.State() & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED));
    EXPECT_EQ(STATE_SYSTEM_FOCUSABLE, close.State() & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED));

    probe::PressKey(VK_TAB);
    EXPECT_TRUE(PumpMessagesUntil([&] { return !g_focused.empty() && g_focused.back() == status; }, 5000))
        << "no focus event for the link";
    EXPECT_TRUE(link.State() & STATE_SYSTEM_FOCUSED);
    EXPECT_FALSE(close.State() & STATE_SYSTEM_FOCUSED);
    probe::PressKeyWith(VK_SHIFT, VK_TAB);
    EXPECT_TRUE(PumpMessagesUntil([&] { return !g_focused.empty() && g_focused.back() == closeMark; }, 5000))
        << "no focus event for the close mark";
    EXPECT_TRUE(close.State() & STATE_SYSTEM_FOCUSED);
    EXPECT_FALSE(link.State() & STATE_SYSTEM_FOCUSED);
    ::UnhookWinEvent(focusHook);

    probe::PressKey(VK_ESCAPE);
    EXPECT_TRUE(ui.Wait(10000));
}
