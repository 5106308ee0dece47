// The real KeshUI.exe against the update-service simulator, read and driven from this process
// through the probe, as a user and the service would.

#include "Probe.h"
#include "app/UpdateSettings.h"
#include "service/UpdateServiceContract.h"
#include "support/TestSupport.h"
#include "ui/AccessibilityIds.h"
#include "ui/WindowTexts.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>
#include <oleacc.h>

using namespace kesh_test;

namespace {

const std::wstring kKeshUI = BinPath(kProgramFileName);

class EndToEnd : public testing::Test {
protected:
    SettingsKeyGuard m_key;
};


}  // namespace

TEST_F(EndToEnd, InteractiveCheckFindsANewerPackageAndTheLinkOpensIt)
{
    UrlCapture capture;
    const std::wstring address = L"https://updates.example.com/kesh?device=A1%20B2";
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
    // Capitals and an escape: the record must hold the answer exactly as it was read.
    const std::wstring address = L"http://updates.example.com/Pkg/2?Id=AbC%20x";
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

TEST_F(EndToEnd, NotificationLinkOpensThePageAsTheSessionsUser)
{
    UrlCapture capture;
    const std::wstring address = L"https://updates.example.com/a%20page?x=1&y=%22q%22";
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
        ReportedWindowsVersion version(kProgramFileName, c.version);
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

TEST_F(EndToEnd, ABusyUserGetsNeitherWindowNorToastUntilTheirStateLetsThemThrough)
{
    // The program as a user would have it who is giving a presentation (Wine's never is).
    const std::wstring folder = TempDirectory(L"user_away");
    ASSERT_TRUE(CopyFileTo(BinPath(L"KeshUIWithUserAway.exe"), folder + L"\\KeshUI.exe"));
    ToastDouble library(L"complete", folder);
    ReportedWindowsVersion version(kProgramFileName, L"win10");
    auto presentation = [](const wchar_t* state) {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\KeshTest", L"UserNotificationState", REG_SZ, state,
                          static_cast<DWORD>((wcslen(state) + 1) * sizeof(wchar_t)));
    };
    presentation(L"4");
    SetSettingString(kServerResponseValueName, L"http://example.com/after-the-talk");

    Process ui = Start(folder + L"\\KeshUI.exe", L"/NotifMode");
    HWND listener = nullptr;
    ASSERT_TRUE(probe::WaitUntil([&] {
        DWORD owner = 0;
        listener = ::FindWindowW(L"KeshUI waits for the user", nullptr);
        return listener && ::GetWindowThreadProcessId(listener, &owner) && owner == ui.id;
    }, 10000));
    EXPECT_EQ(nullptr, probe::FindUpdateWindow(ui.id));
    EXPECT_TRUE(library.Calls().empty()) << "the toast library was loaded while the user is busy";

    // Presentation settings off: the shell tells every top-level window.
    presentation(L"5");
    ::SendMessageTimeoutW(listener, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L""), SMTO_ABORTIFHUNG, 10000, nullptr);
    const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
    ASSERT_NE(nullptr, window) << "the announcement never came";
    EXPECT_NE(std::wstring::npos, library.Calls().at(3).find(L"DisplayToastNotification"));
    probe::ClickControl(window, IDC_CLOSE);
    ASSERT_TRUE(ui.Wait(10000));
    EXPECT_EQ(L"http://example.com/after-the-talk", LastShownResponse());
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\KeshTest", L"UserNotificationState");
}

namespace {

// Sets an environment variable of this process (and so of the programs it starts) for as long
// as the object lives.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : m_name(name)
    {
        wchar_t old[1024] = {};
        const DWORD length = ::GetEnvironmentVariableW(name, old, 1024);
        m_had = length > 0 && length < 1024;
        m_old = old;
        ::SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { ::SetEnvironmentVariableW(m_name, m_had ? m_old.c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;
    std::wstring Old() const { return m_had ? m_old : std::wstring(); }

private:
    const wchar_t* m_name;
    std::wstring m_old;
    bool m_had = false;
};

}  // namespace

TEST_F(EndToEnd, DllsPlantedBesideTheProgramOrInItsCurrentFolderAreNeverLoaded)
{
    // The program's folder and its current folder, both writable by a user, hold a bait under the
    // name of each system DLL the program loads on demand. Wine would always take its own, so the
    // names are made native-first: the bait is then what a bare-name search finds first. The
    // program runs twice: as built, and as it runs where SetDefaultDllDirectories is missing.
    const wchar_t* const names[] = { L"userenv.dll", L"wtsapi32.dll", L"oleacc.dll" };
    for (const wchar_t* program : { kProgramFileName, L"KeshUIWithoutDefaultDllDirectories.exe" }) {
        SCOPED_TRACE(std::string(program, program + wcslen(program)));
        const std::wstring folder = TempDirectory(L"planted_program");
        const std::wstring current = TempDirectory(L"planted_current");
        ASSERT_TRUE(CopyFileTo(BinPath(program), folder + L"\\KeshUI.exe"));
        for (const wchar_t* name : names) {
            ASSERT_TRUE(CopyFileTo(BinPath(L"DllBait.dll"), folder + L"\\" + name));
            ASSERT_TRUE(CopyFileTo(BinPath(L"DllBait.dll"), current + L"\\" + name));
        }
        const std::wstring log = current + L"\\bait.log";
        ScopedVariable baitLog(L"KESH_BAIT_LOG", log);
        ScopedVariable overrides(L"WINEDLLOVERRIDES", L"");
        ::SetEnvironmentVariableW(L"WINEDLLOVERRIDES", (overrides.Old() + L";userenv,wtsapi32,oleacc=n,b").c_str());

        UrlCapture capture;
        const std::wstring address = L"https://updates.example.com/planted";
        SetSettingString(kServerResponseValueName, address);
        SetSettingString(kLastShownResponseValueName, L"");
        Process ui = Start(folder + L"\\KeshUI.exe", L"/NotifMode", current);
        const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
        ASSERT_NE(nullptr, window);

        // A screen reader's first request loads the accessibility DLL in the program.
        ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        IAccessible* status = nullptr;
        ASSERT_HRESULT_SUCCEEDED(::AccessibleObjectFromWindow(::GetDlgItem(window, IDC_STATUS),
                                                              static_cast<DWORD>(OBJID_CLIENT), kIID_IAccessible,
                                                              reinterpret_cast<void**>(&status)));
        VARIANT self;
        ::VariantInit(&self);
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr;
        EXPECT_HRESULT_SUCCEEDED(status->get_accName(self, &name));
        EXPECT_EQ(std::wstring(kStatusNewerPackage), name ? name : L"");
        ::SysFreeString(name);
        status->Release();
        ::CoUninitialize();

        // The link loads the session and environment DLLs to open the page as the session's user.
        probe::ClickControl(window, IDC_STATUS);
        ASSERT_TRUE(ui.Wait(10000));
        EXPECT_EQ(L"", ReadUtf16File(log)) << "a planted DLL was loaded";
        EXPECT_EQ(0u, ui.ExitCode());
        ASSERT_TRUE(capture.WaitForCapture(10000));
        EXPECT_EQ(L"fresh", capture.Entries().at(0).environment);
    }
}
