// Robustness: racing starts, the fault paths, and bad input. Every case is bounded in count and
// time; KESH_RACE_ROUNDS shortens the race for a quick local run.

#include "Probe.h"
#include "app/KeshUIApp.h"
#include "app/RunMode.h"
#include "app/UpdateSettings.h"
#include "service/UpdateServiceContract.h"
#include "support/SessionIdentityStandIn.h"
#include "support/TestSupport.h"
#include "ui/KeshUIDlg.h"
#include "ui/WindowTexts.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <sddl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <cstring>
#include <memory>
#include <cwctype>
#include <random>
#include <string>
#include <vector>

using namespace kesh_test;

namespace {

const std::wstring kKeshUI = BinPath(kProgramFileName);



int ThreadCountOfThisProcess()
{
    const ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
    }
    return count;
}

ULONGLONG Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<ULONGLONG>((to.QuadPart - from.QuadPart) * 1000 / frequency.QuadPart);
}

LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now;
}

}  // namespace

// ---- racing starts ----------------------------------------------------------------------------

namespace {

// Starts 20 programs suspended, resumes them together, and returns how long after the resume the
// last one of them that ends has ended (all but `survivors` must end).
struct Race {
    std::vector<SuspendedProcess> starts;
    static inline int refusedCreations = 0;
    LARGE_INTEGER resumedAt = {};
    void Begin(const std::wstring& program, const std::function<std::wstring(int)>& arguments)
    {
        starts.clear();
        for (int i = 0; i < 20; ++i) {
            // Wine now and then refuses one of twenty process creations in a row with
            // ERROR_INTERNAL_ERROR: CreateProcess itself fails, so no start of the program took
            // place, and that one is made again.
            SuspendedProcess start = StartSuspended(program, arguments(i));
            for (int retry = 0; retry < 3 && !start.process.handle && start.process.startError == ERROR_INTERNAL_ERROR;
                 ++retry) {
                ++refusedCreations;
                start = StartSuspended(program, arguments(i));
            }
            starts.push_back(std::move(start));
        }
        resumedAt = Now();
        for (const SuspendedProcess& s : starts) ::ResumeThread(s.thread.get());
    }
    int Running() const
    {
        int running = 0;
        for (const SuspendedProcess& s : starts) running += s.process.Wait(0) ? 0 : 1;
        return running;
    }
};

// How long 20 processes of a trivial program take to be gone when started together here: the
// platform's own cost of starting processes under this load.
ULONGLONG TrivialRaceMs()
{
    ULONGLONG slowest = 0;
    for (int i = 0; i < 3; ++i) {
        Race race;
        race.Begin(BinPath(L"BareDialog.exe"), [](int) { return std::wstring(L"/exit"); });
        EXPECT_TRUE(probe::WaitUntil([&] { return race.Running() == 0; }, 30000));
        slowest = std::max(slowest, Milliseconds(race.resumedAt, Now()));
    }
    return slowest;
}

}  // namespace

TEST(RacingStarts, TwentyAtOnceLeaveExactlyOneWindowEveryRound)
{
    SettingsKeyGuard key;
    char roundsText[16] = {};
    const int rounds = ::GetEnvironmentVariableA("KESH_RACE_ROUNDS", roundsText, sizeof(roundsText)) ? atoi(roundsText) : 100;
    // A refused start must be gone within a second beyond what merely starting a process costs
    // with 20 starting at once on this machine.
    const ULONGLONG startCostMs = TrivialRaceMs();
    RecordProperty("trivial_race_ms", static_cast<int>(startCostMs));
    ULONGLONG slowestLoserMs = 0;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        // A new answer each round, so that notification mode has something to show.
        const std::wstring response = L"http://example.com/round/" + std::to_wstring(round);
        SetSettingString(kServerResponseValueName, response);
        const std::wstring lastShownBefore = LastShownResponse();

        Race race;
        race.Begin(kKeshUI, [](int i) { return std::wstring(i % 2 ? L"/NotifMode" : L""); });
        for (const SuspendedProcess& s : race.starts) ASSERT_TRUE(s.process.handle) << "error " << s.process.startError;

        // Never more than one window while they race; then exactly one, of the one survivor.
        HWND window = nullptr;
        const bool settled = probe::WaitUntil([&] {
            EXPECT_LE(probe::CountUpdateWindows(), 1);
            if (!window) window = probe::FindUpdateWindow();
            return window && race.Running() == 1;
        }, 30000);
        ASSERT_TRUE(settled) << race.Running() << " still running, window " << window;
        const ULONGLONG lastLoserMs = Milliseconds(race.resumedAt, Now());
        slowestLoserMs = std::max(slowestLoserMs, lastLoserMs);
        EXPECT_LE(lastLoserMs, startCostMs + 1000) << "a refused start stayed more than a second";
        EXPECT_EQ(1, probe::CountUpdateWindows());

        DWORD winnerId = 0;
        ::GetWindowThreadProcessId(window, &winnerId);
        bool winnerIsNotif = false;
        for (int i = 0; i < 20; ++i) {
            if (race.starts[i].process.id == winnerId) winnerIsNotif = i % 2 != 0;
        }
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        for (const SuspendedProcess& s : race.starts) {
            ASSERT_TRUE(s.process.Wait(10000));
            EXPECT_EQ(0u, s.process.ExitCode()) << "a start crashed";
        }
        EXPECT_EQ(winnerIsNotif ? response : lastShownBefore, LastShownResponse());
    }
    RecordProperty("slowest_last_loser_ms", static_cast<int>(slowestLoserMs));
    std::printf("20 starts at once: trivial program gone after %llu ms; refused starts gone after at most %llu ms; "
                "%d process creations refused by the platform and made again\n",
                startCostMs, slowestLoserMs, Race::refusedCreations);
}

// ---- fault paths --------------------------------------------------------------------------------

TEST(FaultPaths, ServiceKilledDuringTheWaitEndsInNoConnectionAndTheWindowStaysUsable)
{
    SettingsKeyGuard key;
    CKeshUIApp app;
    const ScopedHandle ready(::CreateEventW(nullptr, TRUE, FALSE, L"KeshTest_ServiceReady"));
    Process service = Start(BinPath(L"KeshServiceSim.exe"), L"--no-answer --ready KeshTest_ServiceReady");
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ready.get(), 10000));

    StatusTextRecorder texts;
    CKeshUIDlg dialog(500);
    const ModalOutcome outcome = RunDialog(dialog, [&](HWND window) {
        EXPECT_EQ(kStatusChecking, probe::ControlText(window, IDC_STATUS));
        service.Kill();
        EXPECT_TRUE(probe::WaitForControlText(window, IDC_STATUS, kStatusNoConnection, 5000));
        ASSERT_TRUE(probe::Activate(window));
        probe::PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(IDCANCEL, outcome.result);
    EXPECT_EQ((std::vector<std::wstring>{ kStatusChecking, kStatusNoConnection }), texts.Texts());

    // The real program: killed service, then Escape during the 60-second wait ends it at once.
    const ScopedHandle ready2(::CreateEventW(nullptr, TRUE, FALSE, L"KeshTest_ServiceReady2"));
    Process service2 = Start(BinPath(L"KeshServiceSim.exe"), L"--no-answer --ready KeshTest_ServiceReady2");
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ready2.get(), 10000));
    Process ui = Start(kKeshUI, L"");
    const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(probe::WaitForControlText(window, IDC_STATUS, kStatusChecking, 5000));
    service2.Kill();
    ASSERT_TRUE(probe::Activate(window));
    probe::PressKey(VK_ESCAPE);
    EXPECT_TRUE(ui.Wait(2000));
    EXPECT_EQ(0u, ui.ExitCode());
}

TEST(FaultPaths, ClosingDuringTheWaitAHundredTimesNeverHangsOrLeaks)
{
    SettingsKeyGuard key;
    CKeshUIApp app;
    ServiceDouble service({ L"", true, false });
    int threadsBefore = 0;
    size_t handlesBefore = 0;
    for (int i = 0; i < 100; ++i) {
        SCOPED_TRACE(i);
        StatusTextRecorder texts;
        CKeshUIDlg dialog;  // the full 60-second time-out
        LARGE_INTEGER pressed = {};
        const ModalOutcome outcome = RunDialog(dialog, [&](HWND window) {
            ASSERT_TRUE(probe::WaitForControlText(window, IDC_STATUS, kStatusChecking, 5000));
            ASSERT_TRUE(probe::Activate(window));
            pressed = Now();
            probe::PressKey(VK_ESCAPE);
        });
        EXPECT_EQ(IDCANCEL, outcome.result);
        EXPECT_LT(Milliseconds(pressed, Now()), 2000u);
        EXPECT_EQ(std::vector<std::wstring>{ kStatusChecking }, texts.Texts());
        EXPECT_EQ(nullptr, dialog.m_hWaitThread.get());
        if (HasFailure()) break;
        if (i == 0) {
            // After the first window: the platform keeps a few threads and handles of its own.
            threadsBefore = ThreadCountOfThisProcess();
            handlesBefore = probe::HandleCountOf(::GetCurrentProcessId());
        }
    }
    // Every waiter was joined and every handle closed.
    EXPECT_EQ(threadsBefore, ThreadCountOfThisProcess());
    EXPECT_LE(probe::HandleCountOf(::GetCurrentProcessId()), handlesBefore + 5);
}

namespace {

// Lets everyone read the shared key but nobody write it, for as long as the object lives.
class ReadOnlySettingsKey {
public:
    ReadOnlySettingsKey() { SetDacl(L"D:P(A;;KR;;;WD)"); }
    ~ReadOnlySettingsKey() { SetDacl(L"D:(A;;KA;;;WD)"); }

private:
    static void SetDacl(LPCWSTR sddl)
    {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr));
        ScopedRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey, 0, WRITE_DAC, key.receive()));
        EXPECT_EQ(ERROR_SUCCESS, ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor));
        ::LocalFree(descriptor);
    }
};

}  // namespace

TEST(FaultPaths, DeniedRegistryWriteIsIgnoredAndTheSameAnswerIsAnnouncedAgain)
{
    SettingsKeyGuard key;
    SetSettingString(kServerResponseValueName, L"http://example.com/denied");
    {
        ReadOnlySettingsKey readOnly;
        EXPECT_FALSE(WriteLastShownResponse(L"direct"));
        for (int start = 0; start < 2; ++start) {
            SCOPED_TRACE(start);
            CKeshUIApp app;
            app.m_lpCmdLine = L"/NotifMode";
            const ModalOutcome outcome = RunWithDriver([&] { return app.InitInstance(); },
                                                       [](HWND window) { probe::ClickControl(window, IDC_CLOSE); });
            EXPECT_TRUE(outcome.driverFoundWindow) << "the same answer is shown again, since it was never recorded";
            EXPECT_FALSE(outcome.closedByWatchdog);
            EXPECT_EQ(L"<none>", LastShownResponse());
        }
    }
    EXPECT_TRUE(WriteLastShownResponse(L"http://example.com/denied"));
}

TEST(FaultPaths, EveryToastLibraryFailureLeavesTheNotificationWindowAsItIs)
{
    SettingsKeyGuard key;
    const std::wstring variants[] = { L"init_fails", L"no_getvisibility", L"visibility_fails", L"visible_00",
                                      L"<none>", L"<garbage>" };
    int round = 0;
    for (const std::wstring& variant : variants) {
        SCOPED_TRACE(std::string(variant.begin(), variant.end()));
        const std::wstring folder = TempDirectory(L"toast_fault");
        ASSERT_TRUE(CopyFileTo(kKeshUI, folder + L"\\KeshUI.exe"));
        std::unique_ptr<ToastDouble> library;
        if (variant == L"<garbage>") {
            // Not a library at all.
            const ScopedHandle file(::CreateFileW((folder + L"\\ToastHost.dll").c_str(), GENERIC_WRITE, 0, nullptr,
                                                  CREATE_ALWAYS, 0, nullptr));
            DWORD written = 0;
            ::WriteFile(file.get(), "MZ not really", 13, &written, nullptr);
        } else if (variant != L"<none>") {
            library = std::make_unique<ToastDouble>(variant, folder);
        }
        const std::wstring response = L"http://example.com/toast/" + std::to_wstring(round++);
        SetSettingString(kServerResponseValueName, response);
        Process ui = Start(folder + L"\\KeshUI.exe", L"/NotifMode");
        const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
        ASSERT_NE(nullptr, window);
        EXPECT_EQ(kStatusNewerPackage, probe::ControlText(window, IDC_STATUS));
        const RECT outer = probe::WindowRect(window);
        RECT work = {};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_EQ(work.right - 8, outer.right);
        probe::ClickControl(window, IDC_CLOSE);
        ASSERT_TRUE(ui.Wait(10000));
        EXPECT_EQ(0u, ui.ExitCode());
        EXPECT_EQ(response, LastShownResponse());
        if (library) {
            for (const std::wstring& call : library->Calls()) {
                EXPECT_EQ(std::wstring::npos, call.find(L"DisplayToastNotification")) << "no toast may be raised";
            }
        }
        ::DeleteFileW((folder + L"\\ToastHost.dll").c_str());
    }
}

// ---- bad input ------------------------------------------------------------------------------

namespace {

// The read rules, stated on their own: only REG_SZ and REG_EXPAND_SZ; data that does not fit 256
// wide characters (512 bytes) fails; an odd size fails; a non-empty value must end with a
// terminator; the string ends at its first terminator; then white space (the C library's wide
// space class) goes from the end and the start.
std::wstring ReferenceRead(DWORD type, const std::vector<BYTE>& data)
{
    if (type != REG_SZ && type != REG_EXPAND_SZ) return L"";
    if (data.size() > 512 || data.size() % 2 != 0 || data.empty()) return L"";
    std::wstring text(data.size() / 2, L'\0');
    std::memcpy(&text[0], data.data(), data.size());
    if (text.back() != L'\0') return L"";
    text.resize(text.find(L'\0'));
    while (!text.empty() && std::iswspace(text.back())) text.pop_back();
    size_t start = 0;
    while (start < text.size() && std::iswspace(text[start])) ++start;
    return text.substr(start);
}

struct GeneratedValue {
    DWORD type;
    std::vector<BYTE> data;
};

std::vector<GeneratedValue> GenerateValues()
{
    std::mt19937 random(20261209);
    const wchar_t spaces[] = { L' ', L'\t', L'\n', L'\v', L'\f', L'\r', 0x00A0, 0x1680, 0x2000, 0x2003, 0x200A,
                               0x2028, 0x2029, 0x202F, 0x205F, 0x3000, 0x0085, 0xFEFF, 0x200B };
    const wchar_t letters[] = L"http://example.com/kesh?q=1&x=%20 ABCxyz\u00e9\u6587";
    auto text = [&](size_t length) {
        std::wstring t;
        for (size_t i = 0; i < length; ++i) {
            const unsigned pick = random() % 50;
            t += pick < 8 ? spaces[random() % (sizeof(spaces) / sizeof(spaces[0]))]
                          : (pick == 8 ? L'\0' : letters[random() % (sizeof(letters) / sizeof(letters[0]) - 1)]);
        }
        return t;
    };
    auto bytes = [](const std::wstring& t) {
        return std::vector<BYTE>(reinterpret_cast<const BYTE*>(t.data()), reinterpret_cast<const BYTE*>(t.data() + t.size()));
    };
    std::vector<GeneratedValue> values;
    // The 255/256 boundary, with and without terminators and padding, for both string types.
    for (DWORD type : { REG_SZ, REG_EXPAND_SZ }) {
        for (size_t length : { 254, 255, 256, 257 }) {
            const std::wstring body = L" " + std::wstring(length - 2, L'a') + L" ";
            values.push_back({ type, bytes(body + L'\0') });
            values.push_back({ type, bytes(body) });
        }
    }
    // Every type with every kind of data; sizes 0-600 bytes.
    while (values.size() < 300) {
        // Half of them string types, the rest spread over every type REG_NONE .. REG_QWORD.
        const DWORD type = random() % 2 ? (random() % 2 ? REG_SZ : REG_EXPAND_SZ) : static_cast<DWORD>(random() % 12);
        const size_t length = random() % 301;
        std::wstring body = text(length);
        if (random() % 3) body += L'\0';  // mostly terminated
        std::vector<BYTE> data = bytes(body);
        if (random() % 7 == 0) data.push_back(static_cast<BYTE>(random()));   // odd size
        if (random() % 11 == 0) data.resize(random() % 4);                    // tiny or empty
        values.push_back({ type, data });
    }
    return values;
}

}  // namespace

TEST(BadInput, GeneratedRegistryValuesReadExactlyAsTheRulesSay)
{
    SettingsKeyGuard key;
    const std::vector<GeneratedValue> values = GenerateValues();
    ASSERT_GE(values.size(), 200u);
    int nonEmpty = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        SCOPED_TRACE(i);
        const GeneratedValue& v = values[i];
        SetSettingRaw(kServerResponseValueName, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
        const std::wstring expected = ReferenceRead(v.type, v.data);
        EXPECT_EQ(expected, std::wstring(ReadUpdateSetting(kServerResponseValueName)));
        nonEmpty += expected.empty() ? 0 : 1;
    }
    // The generator must exercise both outcomes well.
    EXPECT_GT(nonEmpty, 40);
    EXPECT_LT(nonEmpty, 260);
}

TEST(BadInput, NotificationGateRecordsExactlyWhatItShowed)
{
    const std::vector<GeneratedValue> values = GenerateValues();
    for (size_t i = 0; i < values.size(); i += 6) {  // 50 runs of the program's start
        SCOPED_TRACE(i);
        SettingsKeyGuard key;
        const GeneratedValue& v = values[i];
        SetSettingRaw(kServerResponseValueName, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
        const std::wstring expected = ReferenceRead(v.type, v.data);
        CKeshUIApp app;
        app.m_lpCmdLine = L"/NotifMode";
        if (expected.empty()) {
            EXPECT_FALSE(app.InitInstance());
            EXPECT_FALSE(app.m_bUpdateAvailable);
            EXPECT_EQ(L"<none>", LastShownResponse());
        } else {
            const ModalOutcome outcome = RunWithDriver([&] { return app.InitInstance(); },
                                                       [](HWND window) { probe::ClickControl(window, IDC_CLOSE); });
            EXPECT_TRUE(outcome.driverFoundWindow);
            EXPECT_FALSE(outcome.closedByWatchdog);
            EXPECT_EQ(expected, LastShownResponse());
        }
    }
}

TEST(BadInput, ThirtyCommandLinesSelectTheDocumentedMode)
{
    const struct {
        LPCWSTR commandLine;  // as the platform hands it over, program name included
        bool notif;
    } cases[] = {
        { L"KeshUI.exe /NotifMode", true },
        { L"KeshUI.exe /notifmode", true },
        { L"KeshUI.exe /NOTIFMODE", true },
        { L"\"C:\\Program Files\\Brenlo\\KeshUI.exe\" /NotifMode", true },
        { L"KeshUI.exe      /NotifMode", true },
        { L"KeshUI.exe\t/NotifMode", true },
        { L"\"KeshUI.exe\"/NotifMode", false },  // no blank: all of it is the program's name
        { kProgramFileName, false },
        { L"\"C:\\Program Files\\Brenlo\\KeshUI.exe\"", false },
        { L"KeshUI.exe /NotifMode ", false },
        { L"KeshUI.exe /NotifMode\t", false },
        { L"KeshUI.exe /NotifMode /NotifMode", false },
        { L"KeshUI.exe /NotifMode extra", false },
        { L"KeshUI.exe \"/NotifMode\"", false },
        { L"KeshUI.exe /Notif Mode", false },
        { L"KeshUI.exe /NotifModeX", false },
        { L"KeshUI.exe NotifMode", false },
        { L"KeshUI.exe -NotifMode", false },
        { L"KeshUI.exe //NotifMode", false },
        { L"KeshUI.exe /NotifMod", false },
        { L"KeshUI.exe /not\u0131fmode", false },  // dotless i, whose capital is a plain I
        { L"KeshUI.exe /NotifMode /RestartByRestartManager:0123ABCD-BEEF-cafe-DEAD-01020A0BF00F", false },
        { L"KeshUI.exe /RestartByRestartManager:0123ABCD-BEEF-cafe-DEAD-01020A0BF00F", false },
        { L"KeshUI.exe /\uFF2EotifMode", false },  // fullwidth N: only A-Z fold
        { L"KeshUI.exe \u00e9\u6587\u4ef6", false },
        { L"KeshUI.exe \"", false },
        { L"\"unterminated /NotifMode", false },
        { L"", false },
        { L"KeshUI.exe /NotifMode\r\n", false },
        { L"KeshUI.exe /NotifMode\u3000", false },
    };
    static_assert(sizeof(cases) / sizeof(cases[0]) == 30, "thirty command lines");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.commandLine)));
        EXPECT_EQ(c.notif, IsNotifModeCommandLine(AfxCommandLineArguments(c.commandLine)));
    }
    // One whole start: the mode selected is the one the window runs in and the record follows.
    SettingsKeyGuard key;
    const std::wstring response = L"http://example.com/cmd/quoted";
    SetSettingString(kServerResponseValueName, response);
    CKeshUIApp app;
    app.m_lpCmdLine = AfxCommandLineArguments(cases[3].commandLine);
    const ModalOutcome outcome = RunWithDriver([&] { return app.InitInstance(); },
                                               [](HWND window) { probe::ClickControl(window, IDC_CLOSE); });
    EXPECT_TRUE(outcome.driverFoundWindow);
    EXPECT_TRUE(app.m_bNotifMode);
    EXPECT_EQ(response, LastShownResponse());
}

TEST(BadInput, CommandLinesThroughTheRealProgram)
{
    const struct {
        LPCWSTR arguments;
        bool notif;
    } cases[] = { { L"/nOtIfMoDe", true }, { L"\"/NotifMode\"", false }, { L"/NotifMode x", false } };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.arguments)));
        SettingsKeyGuard key;
        const std::wstring response = L"http://example.com/real/" + std::to_wstring(round++);
        SetSettingString(kServerResponseValueName, response);
        Process ui = Start(kKeshUI, c.arguments);
        const HWND window = probe::WaitForUpdateWindow(10000, ui.id);
        ASSERT_NE(nullptr, window) << "no window; the program "
                                   << (ui.Wait(0) ? "ended with " + std::to_string(ui.ExitCode()) : "still runs")
                                   << ", " << probe::CountUpdateWindows() << " update windows on screen";
        // Interactive mode finds no service here; notification mode announces at once.
        EXPECT_EQ(c.notif ? kStatusNewerPackage : kStatusNoConnection, probe::ControlText(window, IDC_STATUS));
        probe::ClickControl(window, IDC_CLOSE);
        ASSERT_TRUE(ui.Wait(10000));
        EXPECT_EQ(c.notif ? response : L"<none>", LastShownResponse());
    }
}

TEST(BadInput, HostileAddressesNeverCrashAndOpenOnlyWebAddressesWhole)
{
    const struct {
        std::wstring address;
        bool opened;
    } cases[] = {
        { L"HTTPS://EXAMPLE.COM/X", true },
        { L"HtTp://example.com/mixed%20case", true },
        // A blank or a control character never stands raw in an address: each is refused.
        { L"http://example.com/a b c", false },
        { L"http://example.com/\tx", false },
        { L"http://example.com/x\r\nHost: evil", false },
        { L"http://example.com/\x7f", false },
        { L"http://example.com/\x85", false },
        { L"http://example.com/\x9f", false },
        { L"http://example.com/\u00a0x", false },
        { L"http://example.com/\u2007x", false },
        { L"http://example.com/\u3000x", false },
        { L"http://example.com/\u2028x", false },
        { L"\\\\server\\share\\setup.exe", false },
        { L"ftp://example.com/pkg.zip", false },
        { L"javascript:alert(1)", false },
        { L"http:/example.com", false },
        { L"httpx://example.com", false },
        { L"https://example.com/" + std::wstring(3000, L'x'), true },
        { L"https://\u00fcber.example/\u6587\u4ef6?\u00e9=\u00e8", true },
        { L"http://example.com/\"quoted\"", false },
        { L"\"http://example.com/\"", false },
        { L"http://example.com/\" & calc & \"", false },
        { L"file:///C:/windows/system32/calc.exe", false },
        { L"shell:::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", false },
        { L"mailto:someone@example.com", false },
        { L"C:\\windows\\system32\\calc.exe", false },
        { L"..\\..\\evil.exe", false },
        { L"http", false },
        { std::wstring(2000, L'h'), false },
    };
    SessionIdentityStandIn launches;
    launches.processes = SessionIdentityStandIn::Processes::Recorded;
    for (const auto& c : cases) {
        for (bool notif : { false, true }) {
            // An interactive link comes only from the service's stored answer (255 characters
            // at most); notification mode is given the address as the start-up read it.
            if (!notif && c.address.size() > 255) continue;
            SCOPED_TRACE(testing::PrintToString(c.address.substr(0, 60)) + (notif ? " notification" : " interactive"));
            SettingsKeyGuard key;
            launches.created.clear();
            ShellExecuteRecorder shell(false);
            CKeshUIApp app;
            app.m_bNotifMode = notif;
            app.m_bUpdateAvailable = notif;
            app.m_strServerResponse = notif ? c.address.c_str() : L"";
            std::unique_ptr<ServiceDouble> service;
            if (!notif) service = std::make_unique<ServiceDouble>(ServiceDouble::Options{ c.address });
            CKeshUIDlg dialog;
            app.m_pMainWnd = &dialog;
            const ModalOutcome outcome = RunDialog(dialog, [&](HWND window) {
                ASSERT_TRUE(probe::WaitForControlText(window, IDC_STATUS, kStatusNewerPackage, 5000));
                probe::ClickControl(window, IDC_STATUS);
            });
            EXPECT_EQ(IDOK, outcome.result);
            if (notif) {
                EXPECT_TRUE(shell.Calls().empty()) << "the console-session launch worked: no second open";
                ASSERT_EQ(c.opened ? 1u : 0u, launches.created.size());
                if (c.opened) {
                    EXPECT_EQ(L"explorer.exe \"" + c.address + L"\"", launches.created[0].commandLine);
                }
            } else {
                EXPECT_TRUE(launches.created.empty());
                ASSERT_EQ(c.opened ? 1u : 0u, shell.Calls().size());
                if (c.opened) {
                    EXPECT_EQ(c.address, shell.Calls()[0].file);
                }
            }
        }
    }
}
