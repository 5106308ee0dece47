// The real KeshUI.exe against the update-service simulator, read and driven from this process
// through the probe, as a user and the service would.

#include "Probe.h"
#include "app/UpdateSettings.h"
#include "service/UpdateServiceContract.h"
#include "support/TestSupport.h"
#include "ui/WindowTexts.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

using namespace kesh_test;

namespace {

const std::wstring kKeshUI = BinPath(L"KeshUI.exe");

class EndToEnd : public testing::Test {
protected:
    SettingsKeyGuard m_key;
};


}  // namespace

TEST_F(EndToEnd, InteractiveCheckFindsANewerPackageAndTheLinkOpensIt)
{
    UrlCapture capture;
    const std::wstring address = L"https://updates.example.com/kesh?device=A1 B2";
    Process service = StartServiceSimulator(L"--answer \"" + address + L"\"");
    Process ui = Start(kKeshUI, L"");
    const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(kStatusNewerPackage, probe::WaitForControlTextOtherThan(window, IDC_STATUS, kStatusChecking, 10000));
    probe::ClickControl(window, IDC_STATUS);
    ASSERT_TRUE(ui.Wait(10000));
    EXPECT_EQ(0u, ui.ExitCode());
    ASSERT_TRUE(capture.WaitForCapture(10000));
    ASSERT_EQ(1u, capture.Entries().size());
    EXPECT_EQ(address, capture.Entries()[0].address);
    EXPECT_EQ(L"inherited", capture.Entries()[0].environment) << "interactive mode opens through the shell";
    EXPECT_EQ(L"<none>", LastShownResponse());
}

TEST_F(EndToEnd, InteractiveCheckOutcomesWithoutALink)
{
    const struct {
        const char* name;
        const wchar_t* serviceOptions;  // null: no service at all
        std::wstring status;
    } cases[] = {
        { "nothing newer", L"--answer \"\"", kStatusLatestVersion },
        { "service not running", nullptr, kStatusNoConnection },
        { "response event missing", L"--no-response-event", kStatusChecking },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Process service;
        if (c.serviceOptions) service = StartServiceSimulator(c.serviceOptions);
        Process ui = Start(kKeshUI, L"");
        const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
        ASSERT_NE(nullptr, window);
        if (c.status != kStatusChecking) {
            EXPECT_TRUE(probe::WaitForControlText(window, IDC_STATUS, c.status, 10000));
        } else {
            EXPECT_EQ(c.status, probe::ControlText(window, IDC_STATUS));
        }
        probe::ClickControl(window, IDC_STATUS);  // no link: nothing happens
        EXPECT_FALSE(ui.Wait(0));
        EXPECT_EQ(c.status, probe::ControlText(window, IDC_STATUS));
        ASSERT_TRUE(probe::Activate(window));
        probe::PressKey(VK_ESCAPE);
        ASSERT_TRUE(ui.Wait(10000));
        EXPECT_EQ(L"<none>", LastShownResponse());
    }
}

TEST_F(EndToEnd, NotificationModeAnnouncesOnceAndRecordsOnClose)
{
    const std::wstring address = L"http://updates.example.com/pkg/2";
    SetSettingString(kServerResponseValueName, address);

    Process ui = Start(kKeshUI, L"/NOTIFMODE");
    const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(kStatusNewerPackage, probe::ControlText(window, IDC_STATUS));
    EXPECT_EQ(kWindowTitle, probe::ControlText(window, IDC_TITLE));
    probe::ClickControl(window, IDC_CLOSE);
    ASSERT_TRUE(ui.Wait(10000));
    EXPECT_EQ(address, LastShownResponse());

    // The same response again: the program ends without a window.
    Process again = Start(kKeshUI, L"/NotifMode");
    ASSERT_TRUE(again.Wait(10000));
    EXPECT_EQ(0, probe::CountUpdateWindows());
}

TEST_F(EndToEnd, NotificationLinkOpensThePageAsTheConsoleUser)
{
    UrlCapture capture;
    const std::wstring address = L"https://updates.example.com/a page with blanks?x=1";
    SetSettingString(kServerResponseValueName, address);
    Process ui = Start(kKeshUI, L"/NotifMode");
    const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
    ASSERT_NE(nullptr, window);
    probe::ClickControl(window, IDC_STATUS);
    ASSERT_TRUE(ui.Wait(10000));
    ASSERT_TRUE(capture.WaitForCapture(10000));
    ASSERT_EQ(1u, capture.Entries().size());
    EXPECT_EQ(address, capture.Entries()[0].address);
    EXPECT_EQ(L"fresh", capture.Entries()[0].environment) << "expected explorer.exe with the user's own environment";
    EXPECT_EQ(address, LastShownResponse());
}

TEST_F(EndToEnd, SecondStartIsRefusedWhileTheFirstRuns)
{
    SetSettingString(kServerResponseValueName, L"http://new");
    Process first = Start(kKeshUI, L"");
    const HWND window = probe::WaitForUpdateWindow(10000, first.id);
    ASSERT_NE(nullptr, window);
    for (LPCWSTR commandLine : { L"", L"/NotifMode" }) {
        Process second = Start(kKeshUI, commandLine);
        EXPECT_TRUE(second.Wait(5000)) << "second instance kept running";
        EXPECT_EQ(1, probe::CountUpdateWindows());
    }
    EXPECT_EQ(L"<none>", LastShownResponse());
    ASSERT_TRUE(probe::Activate(window));
    probe::PressKey(VK_ESCAPE);
    EXPECT_TRUE(first.Wait(10000));
}

namespace {

// The Windows version Wine reports to programs named KeshUI.exe, for as long as the object lives.
class ReportedWindowsVersion {
public:
    explicit ReportedWindowsVersion(const wchar_t* version)
    {
        ScopedRegKey key;
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.receive(), nullptr);
        ::RegSetValueExW(key.get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                         static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
    }
    ~ReportedWindowsVersion() { ::RegDeleteKeyW(HKEY_CURRENT_USER, kKey); }

private:
    static constexpr const wchar_t* kKey = L"Software\\Wine\\AppDefaults\\KeshUI.exe";
};

}  // namespace

TEST_F(EndToEnd, ToastIsRaisedFromWindowsEightOnAndTheWindowShowsEitherWay)
{
    const struct {
        const wchar_t* version;
        bool toast;
    } cases[] = { { L"win7", false }, { L"win8", true }, { L"win10", true } };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.version, c.version + wcslen(c.version)));
        const std::wstring folder = TempDirectory(std::wstring(L"toast_") + c.version);
        ASSERT_TRUE(CopyFileTo(kKeshUI, folder + L"\\KeshUI.exe"));
        ToastDouble library(L"complete", folder);
        ReportedWindowsVersion version(c.version);
        SetSettingString(kServerResponseValueName, std::wstring(L"http://example.com/") + c.version);

        Process ui = Start(folder + L"\\KeshUI.exe", L"/NotifMode");
        const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
        ASSERT_NE(nullptr, window);
        EXPECT_EQ(kStatusNewerPackage, probe::ControlText(window, IDC_STATUS));
        probe::ClickControl(window, IDC_CLOSE);
        ASSERT_TRUE(ui.Wait(10000));

        std::vector<std::wstring> names;
        for (const std::wstring& call : library.Calls()) names.push_back(call.substr(0, call.find(L' ')));
        if (c.toast) {
            EXPECT_EQ((std::vector<std::wstring>{ L"attach", L"Init", L"GetVisibility", L"DisplayToastNotification",
                                                  L"UnInit", L"detach" }),
                      names);
            ASSERT_EQ(6u, library.Calls().size());
            EXPECT_EQ(0u, library.Calls()[4].find(L"UnInit window=1"));
        } else {
            EXPECT_TRUE(names.empty()) << "the library was loaded on 6.1";
        }
        EXPECT_EQ(std::wstring(L"http://example.com/") + c.version, LastShownResponse());
    }
}
