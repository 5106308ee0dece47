// ToastHost.dll itself, loaded from the build: the balloon through Wine's own notification area,
// the toast through a stand-in for the platform's classes registered the way the Windows Runtime
// finds them, and the channel rules.

#include "Probe.h"
#include "support/TestSupport.h"
#include "toasthost/HostCommandLine.h"
#include "toasthost/IdleAction.h"
#include "toasthost/ToastHostExports.h"
#include "toasthost/ToastXml.h"
#include "toasthost/ChannelRules.h"
#include "win32/Module.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace kesh_test;

namespace {

// Runs what this thread has been sent or posted so far (the library adds its icon that way).
void HandlePendingMessages()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
}

// Whether the notification area holds the library's icon: modifying nothing succeeds only then.
bool LibraryIconExists()
{
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = ::FindWindowW(L"ToastHost balloon owner", nullptr);
    data.uID = 1;
    return data.hWnd && ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

// The texts of the balloons the shell shows.
std::vector<std::wstring> ShellBalloons()
{
    std::vector<std::wstring> texts;
    for (const HWND balloon : probe::ShellBalloons()) texts.push_back(probe::WindowText(balloon));
    return texts;
}

// The flags of the library's last NIM_ADD.
UINT g_iconAdded = 0;
ImportPatch* g_notifyIcon = nullptr;
BOOL WINAPI RecordIconRequest(DWORD message, PNOTIFYICONDATAW data)
{
    if (message == NIM_ADD) g_iconAdded = data->uFlags;
    return reinterpret_cast<BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW)>(g_notifyIcon->Original())(message, data);
}

class ToastHost : public testing::Test {
protected:
    void SetUp() override
    {
        m_owner = ::CreateWindowExW(0, L"STATIC", kWindowTitle, WS_POPUP | WS_VISIBLE, 10, 10, 60, 40, nullptr, nullptr,
                                    nullptr, nullptr);
        const HICON icon = ::LoadIconW(nullptr, IDI_APPLICATION);
        ::SendMessageW(m_owner, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        ::SendMessageW(m_owner, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        m_library = ::LoadLibraryW(BinPath(kToastLibraryFileName).c_str());
        ASSERT_NE(nullptr, m_library);
        m_init = LookUp<toasthost::PFN_Init>(m_library, toasthost::kInitExport);
        m_unInit = LookUp<toasthost::PFN_UnInit>(m_library, toasthost::kUnInitExport);
        m_display = LookUp<toasthost::PFN_DisplayToastNotification>(m_library, toasthost::kDisplayToastNotificationExport);
        m_visibility = LookUp<toasthost::PFN_GetVisibility>(m_library, toasthost::kGetVisibilityExport);
        ASSERT_TRUE(m_init && m_unInit && m_display && m_visibility);
    }
    void TearDown() override
    {
        if (m_unInit) m_unInit();
        if (m_library) ::FreeLibrary(m_library);
        ::DestroyWindow(m_owner);
        m_standIn.reset();
    }
    // Puts the stand-in in place of the platform's toast classes.
    void RegisterStandIn() { m_standIn = std::make_unique<ToastPlatformStandIn>(); }
    bool PlatformCalled(const std::wstring& prefix) const { return !m_standIn->Call(prefix).empty(); }
    struct Seen {
        int result = 0;
        int first = -1;
        int second = -1;
        LONGLONG third = -1;
    };
    Seen QueryVisibility() const
    {
        Seen seen;
        seen.result = m_visibility(&seen.first, &seen.second, &seen.third);
        return seen;
    }

    HWND m_owner = nullptr;
    HMODULE m_library = nullptr;
    toasthost::PFN_Init m_init = nullptr;
    toasthost::PFN_UnInit m_unInit = nullptr;
    toasthost::PFN_DisplayToastNotification m_display = nullptr;
    toasthost::PFN_GetVisibility m_visibility = nullptr;
    std::unique_ptr<ToastPlatformStandIn> m_standIn;
};

}  // namespace

TEST(ToastChannels, OnlyAnAcceptingStateLetsOneChannelThrough)
{
    using toasthost::ChooseChannels;
    const struct {
        QUERY_USER_NOTIFICATION_STATE state;
        bool accepts;
    } states[] = { { QUNS_NOT_PRESENT, false },
                   { QUNS_BUSY, false },
                   { QUNS_RUNNING_D3D_FULL_SCREEN, false },
                   { QUNS_PRESENTATION_MODE, false },
                   { QUNS_ACCEPTS_NOTIFICATIONS, true },
                   { static_cast<QUERY_USER_NOTIFICATION_STATE>(6), false },  // quiet time
                   { static_cast<QUERY_USER_NOTIFICATION_STATE>(7), true } };  // a store app in front
    for (const auto& s : states) {
        SCOPED_TRACE(static_cast<int>(s.state));
        for (const bool runtime : { false, true }) {
            for (const bool tray : { false, true }) {
                const toasthost::ChannelChoice choice = ChooseChannels(s.state, runtime, tray);
                EXPECT_EQ(s.accepts && runtime, choice.toast);
                EXPECT_EQ(s.accepts && !runtime && tray, choice.balloon);
            }
        }
    }
}

TEST(ToastChannels, TextsCannotBreakOutOfTheToastXml)
{
    EXPECT_EQ(L"a&lt;/text&gt;&lt;text&gt;b &amp;amp; &quot;q&quot; &apos;s&apos;",
              toasthost::EscapeXml(L"a</text><text>b &amp; \"q\" 's'"));
    // Characters XML cannot carry are dropped; a well-formed surrogate pair is kept.
    EXPECT_EQ(L"ab\tc\xD83D\xDE00", toasthost::EscapeXml(L"a\x01" L"b\tc\xD800\xFFFE\xD83D\xDE00\xDC00"));
    EXPECT_EQ(L"<toast><visual><binding template=\"ToastText02\"><text id=\"1\">T&amp;</text><text id=\"2\">x</text>"
              L"</binding></visual></toast>",
              toasthost::ToastXml(L"T&", L"x"));
}

TEST(ToastHostCommandLine, EveryTextAndHandleReachesTheHostProcessIntact)
{
    toasthost::HostRequest sent;
    sent.title = L"\"quoted\" \\\"title\\\" ends in backslashes\\\\";
    sent.text = L"tab\there, line\r\nbreak, \x01 control, trailing blank ";
    sent.appId = L"";
    sent.programImage = L"C:\\Program Files\\Brenlo\\KESH\\KeshUI.exe";
    sent.programId = 0xFFFFFFFE;
    sent.program = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x7FFFFFFFFFFFull));
    sent.withdraw = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x1c));
    sent.clicked = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x20));
    const std::wstring commandLine =
        toasthost::BuildHostCommandLine(L"C:\\Program Files\\Brenlo\\KESH\\ToastHost.exe", sent);
    toasthost::HostRequest received;
    ASSERT_TRUE(toasthost::ParseHostCommandLine(commandLine.c_str(), received)) << commandLine;
    EXPECT_EQ(sent.title, received.title);
    EXPECT_EQ(sent.text, received.text);
    EXPECT_EQ(sent.appId, received.appId);
    EXPECT_EQ(sent.programImage, received.programImage);
    EXPECT_EQ(sent.programId, received.programId);
    EXPECT_EQ(sent.program, received.program);
    EXPECT_EQ(sent.withdraw, received.withdraw);
    EXPECT_EQ(sent.clicked, received.clicked);
    // Anything else is refused rather than guessed at.
    for (const wchar_t* bad : { L"ToastHost.exe", L"ToastHost.exe /program 1 /withdraw 2 /clicked 3",
                                L"ToastHost.exe /program zz /withdraw 2 /clicked 3 /pid 4 /image a /appid b /title c /text d",
                                L"ToastHost.exe /program 0 /withdraw 2 /clicked 3 /pid 4 /image a /appid b /title c /text d" }) {
        EXPECT_FALSE(toasthost::ParseHostCommandLine(bad, received)) << bad;
    }
}

TEST_F(ToastHost, WithoutToastClassesTheBalloonAnnouncesInTheNotificationAreaUntilUnInit)
{
    ASSERT_NE(0, m_init());
    const Seen seen = QueryVisibility();
    EXPECT_EQ(1, seen.result);
    EXPECT_EQ(0, seen.first) << "Wine has no toast classes";
    EXPECT_EQ(1, seen.second);
    EXPECT_EQ(QUNS_ACCEPTS_NOTIFICATIONS, seen.third);

    m_display(kWindowTitle, kToastText, kAppUserModelId, m_owner);
    HandlePendingMessages();
    EXPECT_TRUE(LibraryIconExists());
    std::vector<std::wstring> balloons;
    EXPECT_TRUE(PumpMessagesUntil([&] { return !(balloons = ShellBalloons()).empty(); }, 10000)) << "no balloon appeared";
    for (const std::wstring& text : balloons) EXPECT_NE(std::wstring::npos, text.find(kToastText)) << text;

    // The shell reports a click on the balloon to the icon's window, by the icon's message
    // (version 4: the event in the low word, the icon in the high word): the owner comes back.
    ::ShowWindow(m_owner, SW_MINIMIZE);
    ASSERT_TRUE(PumpMessagesUntil([&] { return ::IsIconic(m_owner) != FALSE; }, 10000));
    const HWND iconWindow = ::FindWindowW(L"ToastHost balloon owner", nullptr);
    ::PostMessageW(iconWindow, WM_APP + 1, 0, MAKELPARAM(NIN_BALLOONUSERCLICK, 1));
    EXPECT_TRUE(PumpMessagesUntil([&] { return !::IsIconic(m_owner); }, 10000)) << "a click on the balloon left the owner minimised";

    // Explorer restarted: its new taskbar has no icon until the program adds its own again.
    NOTIFYICONDATAW forgotten = {};
    forgotten.cbSize = sizeof(forgotten);
    forgotten.hWnd = iconWindow;
    forgotten.uID = 1;
    ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &forgotten));
    // Wine's shell shows a balloon only seconds later: what the library asks for is recorded.
    ImportPatch notifyIcon(m_library, "shell32.dll", "Shell_NotifyIconW", reinterpret_cast<void*>(&RecordIconRequest));
    ASSERT_TRUE(notifyIcon);
    g_notifyIcon = &notifyIcon;
    ::SendMessageW(iconWindow, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(LibraryIconExists()) << "the icon, and its click, stayed away after the taskbar came back";
    EXPECT_EQ(static_cast<UINT>(NIF_ICON), g_iconAdded & (NIF_ICON | NIF_INFO)) << "the announcement came twice";

    m_unInit();
    EXPECT_FALSE(LibraryIconExists());
    EXPECT_EQ(nullptr, ::FindWindowW(L"ToastHost balloon owner", nullptr)) << "state kept past UnInit";
    EXPECT_TRUE(PumpMessagesUntil([] { return ShellBalloons().empty(); }, 10000)) << "the balloon outlived the icon";
    EXPECT_EQ(0, QueryVisibility().result) << "a query after UnInit";
    m_unInit = nullptr;
}

TEST_F(ToastHost, ToastCarriesTheIdAndEscapedTextsAsTheUserAndIsTakenAwayOnUnInit)
{
    RegisterStandIn();
    ASSERT_NE(0, m_init());
    const Seen seen = QueryVisibility();
    EXPECT_EQ(1, seen.first);
    EXPECT_EQ(0, seen.second);

    m_display(L"Update <b>&\"now\"</b>\x01", kToastText, kAppUserModelId, m_owner);
    HandlePendingMessages();
    EXPECT_TRUE(PlatformCalled(std::wstring(L"CreateToastNotifierWithId id=") + kAppUserModelId));
    // Called as itself, the library raises the toast in the calling process.
    EXPECT_NE(std::wstring::npos, m_standIn->Call(L"Show ").find(L" process=kesh_tests.exe "));
    EXPECT_TRUE(PlatformCalled(L"Show xml=<toast><visual><binding template=\"ToastText02\"><text id=\"1\">"
                               L"Update &lt;b&gt;&amp;&quot;now&quot;&lt;/b&gt;</text><text id=\"2\">" +
                               std::wstring(kToastText) + L"</text>"));
    EXPECT_FALSE(LibraryIconExists()) << "the balloon is only for when the toast cannot be shown";

    // The id's name and icon, registered for the user where the shell looks them up.
    ScopedRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(L"Software\\Classes\\AppUserModelId\\") + kAppUserModelId).c_str(), 0,
                                             KEY_READ, key.receive()));
    wchar_t value[MAX_PATH] = {};
    DWORD bytes = sizeof(value);
    ASSERT_EQ(ERROR_SUCCESS, ::RegQueryValueExW(key.get(), L"DisplayName", nullptr, nullptr,
                                                reinterpret_cast<BYTE*>(value), &bytes));
    EXPECT_STREQ(L"Update <b>&\"now\"</b>\x01", value);
    bytes = sizeof(value);
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegQueryValueExW(key.get(), L"IconUri", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &bytes));
    char signature[4] = {};
    const HANDLE file = ::CreateFileW(value, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD read = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ::ReadFile(file, signature, 4, &read, nullptr);
        ::CloseHandle(file);
    }
    EXPECT_EQ(0, std::memcmp(signature, "\x89PNG", 4)) << "the icon file is a PNG";
    key.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\Classes\\AppUserModelId\\") + kAppUserModelId).c_str());
    ::DeleteFileW(value);

    m_unInit();
    m_unInit = nullptr;
    EXPECT_TRUE(PlatformCalled(L"Hide xml=<toast>"));
    EXPECT_TRUE(PlatformCalled(L"add_Activated ok")) << "a click the shell does not route through the activator would be lost";
}

TEST_F(ToastHost, UserChoiceOffShowsNothingWhileARefusedToastFallsBackToTheBalloon)
{
    RegisterStandIn();
    const struct {
        const wchar_t* setting;
        const wchar_t* show;
        bool toastShown;
        bool balloon;
    } cases[] = {
        { L"0", L"", true, false },          // enabled
        { L"1", L"", false, false },         // off for this program
        { L"2", L"", false, false },         // off for the user
        { L"3", L"", false, false },         // off by policy
        { L"4", L"", false, true },          // the platform does not know the program
        { L"fail", L"", true, false },       // no answer: the platform decides at Show
        { L"0", L"80070005", false, true },  // Show refused (the service's account)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::wstring(c.setting) + L"/" + c.show);
        m_standIn->Set(L"Setting", c.setting);
        m_standIn->Set(L"Show", c.show);
        m_standIn->ClearLog();
        ASSERT_NE(0, m_init());
        m_display(kWindowTitle, kToastText, kAppUserModelId, m_owner);
        HandlePendingMessages();
        EXPECT_EQ(c.toastShown || *c.show, PlatformCalled(L"Show "));
        EXPECT_EQ(c.balloon, LibraryIconExists());
        m_unInit();
        EXPECT_FALSE(LibraryIconExists());
        EXPECT_EQ(c.toastShown, PlatformCalled(L"Hide "));
    }
}

namespace {
std::atomic<int> g_broughtForward{ 0 };
ImportPatch* g_setForeground = nullptr;
BOOL WINAPI CountBringingForward(HWND window)
{
    ++g_broughtForward;
    return reinterpret_cast<BOOL(WINAPI*)(HWND)>(g_setForeground->Original())(window);
}
}  // namespace

TEST_F(ToastHost, ClickOnTheToastBringsTheOwnerBackOnceByWhicheverRouteItComes)
{
    RegisterStandIn();
    const ScopedHandle click(::CreateEventW(nullptr, FALSE, FALSE, L"KeshTest_ToastClick"));
    m_standIn->Set(L"Click", L"KeshTest_ToastClick");
    ImportPatch setForeground(m_library, "user32.dll", "SetForegroundWindow", reinterpret_cast<void*>(&CountBringingForward));
    ASSERT_TRUE(setForeground);
    g_setForeground = &setForeground;
    g_broughtForward = 0;
    ::ShowWindow(m_owner, SW_MINIMIZE);
    ASSERT_TRUE(PumpMessagesUntil([&] { return ::IsIconic(m_owner) != FALSE; }, 10000));
    ASSERT_NE(0, m_init());
    m_display(kWindowTitle, kToastText, kAppUserModelId, m_owner);
    // Each click comes through the activator and through the toast's Activated event.
    for (int clicks = 1; clicks <= 2; ++clicks) {
        SCOPED_TRACE(clicks);
        ::SetEvent(click.get());
        EXPECT_HRESULT_SUCCEEDED(ClickThroughTheActivator());
        EXPECT_TRUE(PumpMessagesUntil([&] { return m_standIn->Count(L"Activated raised") == clicks; }, 10000));
        EXPECT_EQ(clicks, g_broughtForward) << "one click answered twice, or not at all";
    }
    // Two clicks by the same route at once are two clicks: an echo comes only by the other route.
    EXPECT_HRESULT_SUCCEEDED(ClickThroughTheActivator());
    EXPECT_HRESULT_SUCCEEDED(ClickThroughTheActivator());
    EXPECT_TRUE(PumpMessagesUntil([&] { return g_broughtForward == 4; }, 10000)) << "a new click taken for an echo";
    EXPECT_TRUE(PumpMessagesUntil([&] { return !::IsIconic(m_owner); }, 10000)) << "the owner stayed minimised";
    m_unInit();
    m_unInit = nullptr;
}

TEST(IdleAction, TheHostStartsOnlyOnceTheCallersThreadHasNothingElseToDo)
{
    // Once its window is shown and painted: the library asks for the host's start from inside the
    // window's initialisation.
    bool ran = false;
    toasthost::IdleAction idle;
    ASSERT_TRUE(idle.Request([](void* flag) { *static_cast<bool*>(flag) = true; }, &ran));
    EXPECT_FALSE(ran) << "the action ran inside the request";
    EXPECT_TRUE(PumpMessagesUntil([&] { return ran; }, 10000));
}
