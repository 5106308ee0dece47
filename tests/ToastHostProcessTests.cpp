// The toast raised for the real KeshUI.exe in notification mode, where the program acts for the
// session's user: ToastHost.dll starts ToastHost.exe as that user, which raises the toast (here
// through the stand-in for the platform's classes, which logs the calling process of every call)
// and takes it away again when the window closes or the program ends.

#include "Probe.h"
#include "service/UpdateServiceContract.h"
#include "support/TestSupport.h"
#include "toasthost/ToastActivator.h"
#include "ui/WindowTexts.h"
#include "win32/KnownFolder.h"
#include "win32/Module.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cwchar>

using namespace kesh_test;

namespace {

const std::wstring kKeshUI = BinPath(kProgramFileName);

DWORD ProcessIdOf(const std::wstring& call)
{
    const size_t at = call.find(L" pid=");
    return at == std::wstring::npos ? 0 : static_cast<DWORD>(std::wcstoul(call.c_str() + at + 5, nullptr, 10));
}

bool CalledFromHost(const std::wstring& call)
{
    return call.find(L" process=ToastHost.exe ") != std::wstring::npos;
}

// The process whose announcement icon is in the notification area, or 0. Every process that
// loads the library has the icon's window; only one that shows the icon has the icon.
DWORD BalloonOwnerProcess()
{
    DWORD owner = 0;
    ::EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t name[64] = {};
            ::GetClassNameW(window, name, 64);
            if (std::wcscmp(name, L"ToastHost balloon owner") != 0) return TRUE;
            NOTIFYICONDATAW data = {};
            data.cbSize = sizeof(data);
            data.hWnd = window;
            data.uID = 1;
            if (!::Shell_NotifyIconW(NIM_MODIFY, &data)) return TRUE;  // modifying nothing works only if it is there
            ::GetWindowThreadProcessId(window, reinterpret_cast<DWORD*>(found));
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&owner));
    return owner;
}

// Whether a process of that file name runs.
bool ProgramRunning(const wchar_t* name)
{
    const ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (::lstrcmpiW(entry.szExeFile, name) == 0) return true;
    }
    return false;
}

bool BalloonShowsTheText()
{
    for (const HWND balloon : probe::ShellBalloons()) {
        if (probe::WindowText(balloon).find(kToastText) != std::wstring::npos) return true;
    }
    return false;
}

// The shortcut's target, in lower case; or, with `target`, the shortcut made to point there.
std::wstring ShortcutTarget(const std::wstring& shortcut, const wchar_t* target = nullptr)
{
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (target) {
            link->SetPath(target);
            file->Save(shortcut.c_str(), TRUE);
        } else if (SUCCEEDED(file->Load(shortcut.c_str(), STGM_READ))) {
            link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH);
        }
    }
    if (file) file->Release();
    if (link) link->Release();
    return ::CharLowerW(path);
}

const std::wstring kIdKey = std::wstring(L"Software\\Classes\\AppUserModelId\\") + kAppUserModelId;
const std::wstring kActivatorKey = std::wstring(L"Software\\Classes\\CLSID\\") + kToastActivatorClsidText;

// The machine's registration of the toasts' identity as the MSI makes it, naming `host` (none: empty).
void RegisterForTheMachine(const std::wstring& host)
{
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kIdKey.c_str());
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kActivatorKey.c_str());
    if (host.empty()) return;
    const std::wstring server = L"\"" + host + L"\"";
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kIdKey.c_str(), L"CustomActivator", REG_SZ, kToastActivatorClsidText,
                      sizeof(kToastActivatorClsidText));
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, (kActivatorKey + L"\\LocalServer32").c_str(), nullptr, REG_SZ, server.c_str(),
                      static_cast<DWORD>((server.size() + 1) * sizeof(wchar_t)));
}

// What a run from the zip leaves for the user on Windows 10: the id's key, the activator's class and the icon.
std::wstring UserIconFile()
{
    return CallingUsersKnownFolder(FOLDERID_LocalAppData) + L"\\" + kAppUserModelId + L"\\" + kAppUserModelId + L".png";
}
void UserRegistrationOfBefore(bool place)
{
    const std::wstring icon = UserIconFile();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kIdKey.c_str());
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kActivatorKey.c_str());
    ::DeleteFileW(icon.c_str());
    if (!place) return;
    ::CreateDirectoryW(FolderOf(icon).c_str(), nullptr);
    ::CloseHandle(::CreateFileW(icon.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kIdKey.c_str(), L"IconUri", REG_SZ, icon.c_str(),
                      static_cast<DWORD>((icon.size() + 1) * sizeof(wchar_t)));
    ::RegSetKeyValueW(HKEY_CURRENT_USER, (kActivatorKey + L"\\LocalServer32").c_str(), nullptr, REG_SZ, L"x", 4);
}
bool UserRegistrationLeft()
{
    ScopedRegKey key;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, kIdKey.c_str(), 0, KEY_READ, key.receive()) == ERROR_SUCCESS ||
           ::RegOpenKeyExW(HKEY_CURRENT_USER, kActivatorKey.c_str(), 0, KEY_READ, key.receive()) == ERROR_SUCCESS ||
           ::GetFileAttributesW(UserIconFile().c_str()) != INVALID_FILE_ATTRIBUTES;
}

// COM as the platform uses it to reach the toasts' activator, made to work under Wine: the
// interface's proxy (Windows has its own) and the activator's server, which the host registers
// for the user, seen under HKLM (Wine looks for classes nowhere else; Windows merges the two).
class ActivatorClassForTests {
public:
    ActivatorClassForTests()
    {
        m_proxy = ::LoadLibraryW(BinPath(L"ActivationProxy.dll").c_str());
        const auto registerServer = m_proxy ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(
                                                  ::GetProcAddress(m_proxy, "DllRegisterServer")))
                                            : nullptr;
        EXPECT_TRUE(registerServer && SUCCEEDED(registerServer())) << "the interface's proxy is not registered";
        EXPECT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    }
    ~ActivatorClassForTests()
    {
        ::CoUninitialize();
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, Key().c_str());
        ::RegDeleteTreeW(HKEY_CURRENT_USER, Key().c_str());
        const auto unregisterServer = m_proxy ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(
                                                    ::GetProcAddress(m_proxy, "DllUnregisterServer")))
                                              : nullptr;
        if (unregisterServer) unregisterServer();
        if (m_proxy) ::FreeLibrary(m_proxy);
    }
    ActivatorClassForTests(const ActivatorClassForTests&) = delete;
    ActivatorClassForTests& operator=(const ActivatorClassForTests&) = delete;

    // The command the host registered for the user, also where Wine looks; empty if none.
    std::wstring MirrorServer() const
    {
        wchar_t command[MAX_PATH + 3] = {};
        DWORD bytes = sizeof(command);
        const std::wstring server = Key() + L"\\LocalServer32";
        if (::RegGetValueW(HKEY_CURRENT_USER, server.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, command, &bytes) !=
            ERROR_SUCCESS) {
            return std::wstring();
        }
        ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, server.c_str(), nullptr, REG_SZ, command, bytes);
        return command;
    }
private:
    static std::wstring Key() { return std::wstring(L"Software\\Classes\\CLSID\\") + kToastActivatorClsidText; }
    HMODULE m_proxy = nullptr;
};

class ToastHostProcess : public testing::Test {
protected:
    // Starts notification mode for a new answer and waits for its window.
    HWND StartNotification()
    {
        SetSettingString(kServerResponseValueName, L"https://updates.example.com/toast/" + std::to_wstring(++m_round));
        m_ui = Start(kKeshUI, L"/NotifMode");
        const HWND window = probe::WaitForUpdateWindow(10000, m_ui.id);
        EXPECT_NE(nullptr, window);
        return window;
    }
    std::wstring WaitForCall(const std::wstring& prefix, DWORD timeoutMs = 10000) const
    {
        std::wstring call;
        probe::WaitUntil([&] { return !(call = m_platform.Call(prefix)).empty(); }, timeoutMs);
        return call;
    }
    // The host, found through its first call to the platform.
    ScopedHandle OpenHost(const std::wstring& someCall) const
    {
        return ScopedHandle(::OpenProcess(SYNCHRONIZE, FALSE, ProcessIdOf(someCall)));
    }

    SettingsKeyGuard m_key;
    ToastPlatformStandIn m_platform;
    Process m_ui;
    int m_round = 0;
};

}  // namespace

TEST_F(ToastHostProcess, TheHostShowsTheToastAsTheUserAndClosingTheWindowClearsItEverywhere)
{
    const HWND window = StartNotification();
    ASSERT_NE(nullptr, window);
    const std::wstring show = WaitForCall(L"Show ");
    ASSERT_FALSE(show.empty()) << "no toast";
    EXPECT_TRUE(CalledFromHost(show)) << show;
    EXPECT_NE(m_ui.id, ProcessIdOf(show));
    EXPECT_TRUE(CalledFromHost(m_platform.Call(L"put_Tag announcement")));
    EXPECT_TRUE(CalledFromHost(m_platform.Call(L"put_Group update")));
    EXPECT_EQ(0u, BalloonOwnerProcess()) << "the balloon is only for when the toast cannot be shown";
    EXPECT_TRUE(CalledFromHost(m_platform.Call(L"add_Activated ok")))
        << "a click the shell does not route through the activator would be lost";
    const ScopedHandle host = OpenHost(show);
    ASSERT_TRUE(host);

    probe::ClickControl(window, IDC_CLOSE);
    ASSERT_TRUE(m_ui.Wait(10000));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(host.get(), 10000)) << "the host outlived the window";
    EXPECT_TRUE(CalledFromHost(m_platform.Call(L"Hide xml=<toast>")));
    EXPECT_TRUE(CalledFromHost(
        m_platform.Call(std::wstring(L"RemoveGroupedTagWithId tag=announcement group=update id=") + kAppUserModelId)))
        << "the toast stays in the notification centre";
    for (const std::wstring& call : m_platform.Calls()) {
        EXPECT_TRUE(CalledFromHost(call)) << "KeshUI.exe called the platform itself: " << call;
    }
}

TEST_F(ToastHostProcess, WhenTheProgramIsKilledTheHostClearsTheToastAndEnds)
{
    StartNotification();
    const std::wstring show = WaitForCall(L"Show ");
    ASSERT_FALSE(show.empty());
    const ScopedHandle host = OpenHost(show);
    ASSERT_TRUE(host);
    m_ui.Kill();
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(host.get(), 10000)) << "the host outlived the killed program";
    EXPECT_FALSE(m_platform.Call(L"Hide ").empty());
    EXPECT_FALSE(m_platform.Call(L"RemoveGroupedTagWithId ").empty());
}

TEST_F(ToastHostProcess, WhereTheIdNeedsAShortcutItOpensTheProgramAndOnlyTheAnnouncementThatMakesItIsABalloon)
{
    // Windows 8, 8.1 and 10 before 1809 show a desktop program's toasts only for an id a Start-menu
    // shortcut carries, and the shell learns a new shortcut only seconds after it is made; the
    // installer's entry in every user's Start menu it has known since the install.
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const std::wstring shortcut = CallingUsersKnownFolder(FOLDERID_Programs) + L"\\" + kStartMenuEntryName + L".lnk";
    const std::wstring installed = CallingUsersKnownFolder(FOLDERID_CommonPrograms) + L"\\" + kStartMenuEntryName + L".lnk";
    std::wstring program = kKeshUI;
    ::CharLowerW(program.data());
    const std::wstring notepad = L"c:\\windows\\notepad.exe";
    const std::wstring elsewhere = TempDirectory(L"OtherKesh") + L"\\KeshUI.exe";
    ASSERT_TRUE(CopyFileTo(kKeshUI, elsewhere));
    ::DeleteFileW(shortcut.c_str());
    const std::wstring host = BinPath(kToastHostFileName);
    const struct {
        const char* name;
        const wchar_t* program;  // null: every program
        const wchar_t* version;
        std::wstring earlierTarget;  // the user's shortcut there before, if any
        std::wstring installedTarget;  // the installer's entry for all users, if any
        std::wstring machineHost;  // the activator's server the machine's registration names, if any
        bool firstIsAToast, laterAreToasts;
        std::wstring targetAfter;  // of the user's shortcut; empty: none
    } cases[] = {
        { "Windows 8", kToastHostFileName, L"win8", L"", L"", L"", false, true, program },
        { "Windows 10 1607", nullptr, L"10.0.14393", L"", L"", L"", false, true, program },
        { "Windows 8, the host's shortcut of an earlier version", kToastHostFileName, L"win8", host, L"", L"", true, true,
          program },
        { "Windows 10 1607, installed by the MSI over the user's shortcut and registration of before", nullptr,
          L"10.0.14393", kKeshUI, kKeshUI, host, true, true, L"" },
        { "Windows 10 1607, the MSI's entry from an older package, without the machine's registration", nullptr,
          L"10.0.14393", L"", kKeshUI, L"", false, true, program },
        { "Windows 10 1607, installed, the entry for a KeshUI.exe elsewhere", nullptr, L"10.0.14393", L"", elsewhere,
          host, false, false, L"" },
        { "Windows 8, someone else's shortcut under the name", kToastHostFileName, L"win8", notepad, L"", L"", false,
          false, notepad },
        { "Windows 8, installed by the MSI beside someone else's shortcut", kToastHostFileName, L"win8", notepad, kKeshUI,
          host, true, true, notepad },
        { "Windows 10 22H2, installed by the MSI over a registration of before", nullptr, L"10.0.19045", L"", L"",
          host, true, true, L"" },
        { "Windows 10 22H2, the machine's registration for another folder", nullptr, L"10.0.19045", L"", L"",
          FolderOf(elsewhere) + L"\\ToastHost.exe", true, true, L"" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ReportedWindowsVersion version(c.program, c.version);
        if (!c.earlierTarget.empty()) ShortcutTarget(shortcut, c.earlierTarget.c_str());
        if (!c.installedTarget.empty()) ShortcutTarget(installed, c.installedTarget.c_str());
        RegisterForTheMachine(c.machineHost);
        UserRegistrationOfBefore(c.machineHost == host);
        const bool forTheUser = c.machineHost != host && std::wcsncmp(c.version, L"10.", 3) == 0;
        const bool ours = c.targetAfter == program;
        m_platform.ClearLog();
        HWND window = StartNotification();
        ASSERT_NE(nullptr, window);
        if (c.firstIsAToast) {
            EXPECT_TRUE(CalledFromHost(WaitForCall(L"Show "))) << "a balloon, though the shell knew the shortcut";
        } else {
            EXPECT_TRUE(probe::WaitUntil(BalloonShowsTheText, 10000)) << "no balloon for the first announcement";
            EXPECT_TRUE(m_platform.Call(L"Show ").empty()) << "a toast the shell could not show yet";
        }
        EXPECT_EQ(c.targetAfter, ShortcutTarget(shortcut)) << "the user's Start-menu entry";
        EXPECT_EQ(forTheUser, UserRegistrationLeft()) << "the id's registration in the user's hive and profile";
        // Wine's link keeps no properties: the host's calls show what the shortcut was given.
        const bool written = ours && c.earlierTarget != kKeshUI;
        EXPECT_EQ(written, m_platform.Count(L"ShellLink SetValue {9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3} 5 vt=31") == 1)
            << "the toasts' id";
        EXPECT_EQ(written, m_platform.Count(L"ShellLink SetValue {9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3} 26 vt=72") == 1)
            << "the activator's class";
        probe::ClickControl(window, IDC_CLOSE);
        ASSERT_TRUE(m_ui.Wait(10000));
        ASSERT_TRUE(probe::WaitUntil([] { return BalloonOwnerProcess() == 0; }, 10000));

        // The next is a toast (someone else's shortcut carries no id of ours: a balloon again).
        // On Windows 8 its click comes through the toast's Activated event.
        const ScopedHandle click(::CreateEventW(nullptr, FALSE, FALSE, L"KeshTest_ToastClick"));
        m_platform.Set(L"Click", L"KeshTest_ToastClick");
        window = StartNotification();
        ASSERT_NE(nullptr, window);
        if (!c.laterAreToasts) {
            EXPECT_TRUE(probe::WaitUntil(BalloonShowsTheText, 10000)) << "silence: no toast can show, and no balloon";
        } else {
            EXPECT_TRUE(CalledFromHost(WaitForCall(L"Show "))) << "no toast once the shortcut exists";
            EXPECT_EQ(0u, BalloonOwnerProcess());
        }
        if (ours && std::wcscmp(c.version, L"win8") == 0) {
            const HWND other = ::CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 0, 0, 200,
                                                 100, nullptr, nullptr, nullptr, nullptr);
            ASSERT_TRUE(probe::Activate(other));
            ::SetEvent(click.get());
            EXPECT_TRUE(probe::WaitUntil([&] { return ::GetForegroundWindow() == window; }, 10000))
                << "the click did not bring the window forward";
            ::DestroyWindow(other);
        }
        m_platform.Set(L"Click", L"");
        probe::ClickControl(window, IDC_CLOSE);
        EXPECT_TRUE(m_ui.Wait(10000));
        ASSERT_TRUE(probe::WaitUntil([] { return BalloonOwnerProcess() == 0; }, 10000));
        ::DeleteFileW(shortcut.c_str());
        ::DeleteFileW(installed.c_str());
    }
    RegisterForTheMachine(L"");
    ::CoUninitialize();
}

TEST_F(ToastHostProcess, TheActivatorBringsTheWindowForwardAndALeftOverToastOpensTheProgram)
{
    ActivatorClassForTests com;
    const ScopedHandle click(::CreateEventW(nullptr, FALSE, FALSE, L"KeshTest_ToastClick"));
    m_platform.Set(L"Click", L"KeshTest_ToastClick");
    const HWND window = StartNotification();
    ASSERT_NE(nullptr, window);
    const std::wstring show = WaitForCall(L"Show ");
    ASSERT_FALSE(show.empty());
    EXPECT_NE(std::wstring::npos, m_platform.Call(L"CreateToastNotifierWithId ").find(
                                      std::wstring(L" activator=") + kToastActivatorClsidText))
        << "the id's registration does not name the activator";
    const std::wstring server = com.MirrorServer();
    EXPECT_EQ(L"\"" + BinPath(kToastHostFileName) + L"\"", server) << "the activator's server, registered for the user";

    // The user is busy in another window when the click on the toast (or in the notification
    // centre) comes: it reaches the host that showed the toast by both of the platform's routes,
    // the activator and the toast's Activated event, and the window comes forward once; and
    // again for a second click on the same toast.
    const HWND other = ::CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                         nullptr, nullptr, nullptr, nullptr);
    for (int clicks = 1; clicks <= 2; ++clicks) {
        SCOPED_TRACE(clicks);
        ASSERT_TRUE(probe::Activate(other));
        // The activator's call first: answered by the event while this thread (which owns the
        // other window) was not in that call, Wine left its desktop in front in 1 run of 8. Which
        // route comes first makes no difference to the answer; the library's test has the event first.
        EXPECT_HRESULT_SUCCEEDED(ClickThroughTheActivator());
        ::SetEvent(click.get());
        EXPECT_TRUE(PumpMessagesUntil([&] { return ::GetForegroundWindow() == window; }, 10000))
            << "the window did not come forward";
        ASSERT_TRUE(probe::WaitUntil([&] { return m_platform.Count(L"Activated raised") == clicks; }, 10000));
        EXPECT_EQ(clicks, m_platform.Count(L"AllowSetForegroundWindow pid=" + std::to_wstring(m_ui.id)))
            << "one click answered twice, or not at all";
    }
    ::DestroyWindow(other);
    EXPECT_TRUE(m_platform.Call(L"RemoveGroupedTagWithId ").empty()) << "a click reached a new host, not the running one";

    // A click on a toast whose program and host are gone has COM start a host, which takes the
    // toast away, opens the program for an interactive check, and ends. (Here the host ends by
    // itself when the program is killed: Wine's COM service keeps the class of a killed host.)
    const ScopedHandle host(::OpenProcess(SYNCHRONIZE, FALSE, ProcessIdOf(show)));
    ASSERT_TRUE(host);
    m_ui.Kill();
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(host.get(), 10000));
    ASSERT_TRUE(probe::WaitUntil([] { return probe::CountUpdateWindows() == 0; }, 5000));

    // Installed by the MSI, the activator's class is the machine's alone; COM starts the host from it.
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kActivatorKey.c_str());
    RegisterForTheMachine(BinPath(kToastHostFileName));

    // Made by COM and let go without a call, the host started for it ends, and opens nothing.
    EXPECT_HRESULT_SUCCEEDED(ClickThroughTheActivator(false));
    EXPECT_TRUE(probe::WaitUntil([] { return !ProgramRunning(kToastHostFileName); }, 10000)) << "the host waits on";
    EXPECT_FALSE(ProgramRunning(kProgramFileName)) << "the program opened with no click";

    m_platform.ClearLog();
    EXPECT_HRESULT_SUCCEEDED(ClickThroughTheActivator());
    const std::wstring removed = WaitForCall(std::wstring(L"RemoveGroupedTagWithId tag=announcement group=update id=") + kAppUserModelId);
    EXPECT_TRUE(CalledFromHost(removed)) << "the left-over toast stays: " << removed;
    const ScopedHandle started(::OpenProcess(SYNCHRONIZE, FALSE, ProcessIdOf(removed)));
    EXPECT_TRUE(started && ::WaitForSingleObject(started.get(), 10000) == WAIT_OBJECT_0) << "the started host stays";
    EXPECT_TRUE(m_platform.Call(L"Show ").empty());
    // No service runs here: only the interactive check says so; a notification never does.
    const HWND opened = probe::WaitForUpdateWindow(10000);
    ASSERT_NE(nullptr, opened) << "the click led nowhere";
    EXPECT_TRUE(probe::WaitForControlText(opened, IDC_STATUS, kStatusNoConnection, 10000)) << "not the interactive check";
    DWORD programId = 0;
    ::GetWindowThreadProcessId(opened, &programId);
    EXPECT_EQ(1, m_platform.Count(L"AllowSetForegroundWindow pid=" + std::to_wstring(programId)))
        << "the click's right to the foreground did not go with the program";
    const ScopedHandle program(::OpenProcess(SYNCHRONIZE, FALSE, programId));
    probe::ClickControl(opened, IDC_CLOSE);
    EXPECT_TRUE(program && ::WaitForSingleObject(program.get(), 10000) == WAIT_OBJECT_0);
    RegisterForTheMachine(L"");
}

TEST_F(ToastHostProcess, TheUsersOffShowsNothingWhileARefusedOrFailedToastEndsInTheHostsBalloon)
{
    const struct {
        const char* name;
        const wchar_t* setting;
        const wchar_t* show;
        const wchar_t* fail;
        bool balloon;
    } cases[] = {
        { "turned off for the program", L"1", L"", L"", false },
        { "Show refused", L"0", L"80070005", L"", true },
        { "Failed after Show", L"0", L"", L"1", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_platform.ClearLog();
        m_platform.Set(L"Setting", c.setting);
        m_platform.Set(L"Show", c.show);
        m_platform.Set(L"Fail", c.fail);
        const HWND window = StartNotification();
        ASSERT_NE(nullptr, window);
        const std::wstring setting = WaitForCall(L"get_Setting");
        ASSERT_TRUE(CalledFromHost(setting)) << "the user's setting is read as the user";
        if (c.balloon) {
            EXPECT_TRUE(probe::WaitUntil([&] { return BalloonOwnerProcess() == ProcessIdOf(setting); }, 10000))
                << "no balloon from the host";
            EXPECT_TRUE(probe::WaitUntil(BalloonShowsTheText, 10000));
        } else {
            EXPECT_TRUE(m_platform.Call(L"Show ").empty());
            EXPECT_EQ(0u, BalloonOwnerProcess());
        }
        const ScopedHandle host = OpenHost(setting);
        probe::ClickControl(window, IDC_CLOSE);
        ASSERT_TRUE(m_ui.Wait(10000));
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(host.get(), 10000));
        EXPECT_TRUE(probe::WaitUntil([] { return BalloonOwnerProcess() == 0; }, 5000)) << "the balloon stayed";
    }
}
