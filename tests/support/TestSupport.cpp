#include "TestSupport.h"

#include "Probe.h"
#include "app/UpdateSettings.h"
#include "service/UpdateServiceContract.h"
#include "toasthost/ToastActivator.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <atomic>
#include <cstring>

namespace kesh_test {

// ---- files and processes -------------------------------------------------------------------

std::wstring ExeDirectory()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L'\\'));
}

std::wstring BinPath(const std::wstring& name)
{
    // The test programs live in bin\tests, apart from the product and its ToastHost.dll, so that a
    // test decides for itself which toast library (if any) stands beside the program it runs.
    const std::wstring tests = ExeDirectory();
    return tests.substr(0, tests.find_last_of(L'\\')) + L"\\" + name;
}

std::wstring TempDirectory(const std::wstring& name)
{
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"kesh_" + name + L"_" + std::to_wstring(::GetCurrentProcessId());
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            ::DeleteFileW((dir + L"\\" + found.cFileName).c_str());
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

bool CopyFileTo(const std::wstring& from, const std::wstring& to)
{
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

std::wstring ReadUtf16File(const std::wstring& path)
{
    const HANDLE opened = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return std::wstring();
    const ScopedHandle file(opened);
    std::wstring text;
    wchar_t buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        text.append(buffer, read / sizeof(wchar_t));
    }
    return text;
}

std::vector<std::wstring> SplitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

bool Process::Wait(DWORD timeoutMs) const
{
    return handle && ::WaitForSingleObject(handle.get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (handle) ::GetExitCodeProcess(handle.get(), &code);
    return code;
}

void Process::Kill() const
{
    if (handle && !Wait(0)) {
        ::TerminateProcess(handle.get(), 1);
        Wait(5000);
    }
}

namespace {

Process StartWith(const std::wstring& application, const std::wstring& arguments, const std::wstring& currentDirectory,
                  DWORD creationFlags, ScopedHandle* thread)
{
    SECURITY_ATTRIBUTES inheritable = { sizeof(inheritable), nullptr, TRUE };
    const ScopedHandle nul(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         &inheritable, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul.get();
    std::wstring commandLine = L"\"" + application + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    PROCESS_INFORMATION info = {};
    Process process;
    if (::CreateProcessW(application.c_str(), buffer.data(), nullptr, nullptr, TRUE, creationFlags, nullptr,
                         currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &info)) {
        if (thread) thread->reset(info.hThread);
        else ::CloseHandle(info.hThread);
        process.handle.reset(info.hProcess);
        process.id = info.dwProcessId;
    } else {
        process.startError = ::GetLastError();
    }
    return process;
}

}  // namespace

Process Start(const std::wstring& application, const std::wstring& arguments, const std::wstring& currentDirectory,
              DWORD creationFlags)
{
    return StartWith(application, arguments, currentDirectory, creationFlags, nullptr);
}

SuspendedProcess StartSuspended(const std::wstring& application, const std::wstring& arguments)
{
    SuspendedProcess started;
    started.process = StartWith(application, arguments, std::wstring(), CREATE_SUSPENDED, &started.thread);
    return started;
}

Process StartServiceSimulator(const std::wstring& options)
{
    const ScopedHandle ready(::CreateEventW(nullptr, TRUE, FALSE, L"KeshTest_ServiceReady"));
    Process service = Start(BinPath(L"KeshServiceSim.exe"), options + L" --ready KeshTest_ServiceReady");
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ready.get(), 10000)) << "simulator did not start";
    return service;
}

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (done()) return true;
        if (::GetTickCount64() > deadline) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

// ---- registry ------------------------------------------------------------------------------

void DeleteSettingsKey()
{
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey);
}

void SetSettingRaw(LPCWSTR name, DWORD type, const void* data, DWORD bytes)
{
    ScopedRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey, 0, nullptr, 0,
                                               KEY_ALL_ACCESS, nullptr, key.receive(), nullptr));
    // The platform counts a terminator the caller left out when one follows the data in memory;
    // non-zero bytes after the data keep it exactly as given.
    std::vector<BYTE> buffer(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + bytes);
    buffer.insert(buffer.end(), { 'X', 'X', 'X', 'X' });
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key.get(), name, 0, type, buffer.data(), bytes));
}

void SetSettingString(LPCWSTR name, const std::wstring& value)
{
    SetSettingRaw(name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

bool GetSettingString(LPCWSTR name, std::wstring& value)
{
    ScopedRegKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey, 0, KEY_READ, key.receive()) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ) {
        return false;
    }
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes) !=
        ERROR_SUCCESS) {
        return false;
    }
    value.assign(data.data());
    return true;
}

std::wstring LastShownResponse()
{
    std::wstring value;
    return GetSettingString(kLastShownResponseValueName, value) ? value : L"<none>";
}

// ---- the update service, in this process -------------------------------------------------

ServiceDouble::ServiceDouble(const Options& options)
    : m_options(options),
      m_request(::CreateEventW(nullptr, FALSE, FALSE, kCheckForUpdateEventName)),
      m_response(options.createResponseEvent ? ::CreateEventW(nullptr, FALSE, FALSE, kServerResponseEventName)
                                             : nullptr),
      m_quit(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_requestSeen(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_answered(::CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    EXPECT_TRUE(m_request);
    m_thread = std::thread([this] { Run(); });
}

ServiceDouble::~ServiceDouble()
{
    ::SetEvent(m_quit.get());
    m_thread.join();
}

void ServiceDouble::Run()
{
    for (;;) {
        const HANDLE waitFor[] = { m_quit.get(), m_request.get() };
        if (::WaitForMultipleObjects(2, waitFor, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
        ::SetEvent(m_requestSeen.get());
        if (!m_options.answerRequests) continue;
        if (m_options.delayMs && ::WaitForSingleObject(m_quit.get(), m_options.delayMs) != WAIT_TIMEOUT) return;
        SetSettingString(kServerResponseValueName, m_options.answer);
        if (m_response) ::SetEvent(m_response.get());
        ::SetEvent(m_answered.get());
    }
}

bool ServiceDouble::WaitForRequest(DWORD timeoutMs) const
{
    return ::WaitForSingleObject(m_requestSeen.get(), timeoutMs) == WAIT_OBJECT_0;
}

bool ServiceDouble::WaitForAnswer(DWORD timeoutMs) const
{
    return ::WaitForSingleObject(m_answered.get(), timeoutMs) == WAIT_OBJECT_0;
}

void ServiceDouble::SetResponseNow() const
{
    if (m_response) ::SetEvent(m_response.get());
}

// ---- the window ------------------------------------------------------------------------------

namespace {
StatusTextRecorder* g_recorder = nullptr;
}

StatusTextRecorder::StatusTextRecorder()
    : m_hook(::SetWindowsHookExW(WH_CALLWNDPROC, &StatusTextRecorder::Hook, nullptr, ::GetCurrentThreadId()))
{
    EXPECT_NE(nullptr, m_hook);
    g_recorder = this;
}

StatusTextRecorder::~StatusTextRecorder()
{
    ::UnhookWindowsHookEx(m_hook);
    g_recorder = nullptr;
}

LRESULT CALLBACK StatusTextRecorder::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    StatusTextRecorder* self = g_recorder;
    if (code == HC_ACTION && self) {
        if (message->message == WM_SETTEXT && ::GetDlgCtrlID(message->hwnd) == IDC_STATUS) {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_texts.emplace_back(reinterpret_cast<LPCWSTR>(message->lParam));
        } else if (message->message == WM_SHOWWINDOW && message->wParam && ::GetDlgItem(message->hwnd, IDC_STATUS)) {
            wchar_t text[512] = {};
            ::GetWindowTextW(::GetDlgItem(message->hwnd, IDC_STATUS), text, 512);
            std::lock_guard<std::mutex> lock(self->m_mutex);
            if (!self->m_shown) self->m_textWhenShown = text;
            self->m_shown = true;
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

std::vector<std::wstring> StatusTextRecorder::Texts() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_texts;
}

std::wstring StatusTextRecorder::TextWhenShown() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_textWhenShown;
}

ModalOutcome RunWithDriver(const std::function<INT_PTR()>& modal, const std::function<void(HWND)>& driver,
                           const std::function<void()>& beforeWindow)
{
    ModalOutcome outcome;
    std::atomic<bool> returned{ false };
    std::thread driverThread([&] {
        if (beforeWindow) beforeWindow();
        HWND window = nullptr;
        // Once `modal` has returned this thread's windows answer no more: they are not asked then.
        probe::WaitUntil([&] { return returned || (window = probe::FindUpdateWindow(::GetCurrentProcessId())); }, 10000);
        outcome.driverFoundWindow = window != nullptr;
        if (!window) return;
        driver(window);
        if (!probe::WaitForWindowGone(window, 10000)) {
            outcome.closedByWatchdog = true;
            ::PostMessageW(window, WM_CLOSE, 0, 0);
        }
    });
    outcome.result = modal();
    returned = true;
    driverThread.join();
    return outcome;
}

ModalOutcome RunDialog(CDialogEx& dialog, const std::function<void(HWND)>& driver)
{
    const ModalOutcome outcome = RunWithDriver([&] { return dialog.DoModal(); }, driver);
    EXPECT_TRUE(outcome.driverFoundWindow);
    EXPECT_FALSE(outcome.closedByWatchdog) << "the window did not end";
    return outcome;
}

// ---- what the shell was asked to open ------------------------------------------------------

namespace {

using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

std::mutex g_shellMutex;
std::vector<ShellExecuteRecorder::Call> g_shellCalls;
ShellExecuteFn g_realShellExecute = nullptr;
bool g_forwardShellExecute = true;

// The test program's import of `function`, replaced, with a failure when it imports none.
std::unique_ptr<ImportPatch> PatchTestProgram(const char* dll, const char* function, void* replacement)
{
    auto patch = std::make_unique<ImportPatch>(::GetModuleHandleW(nullptr), dll, function, replacement);
    EXPECT_TRUE(*patch) << function << " is not imported by the test program";
    return patch;
}

}  // namespace

ShellExecuteRecorder::ShellExecuteRecorder(bool forward)
{
    std::lock_guard<std::mutex> lock(g_shellMutex);
    g_shellCalls.clear();
    g_forwardShellExecute = forward;
    m_patch = PatchTestProgram("shell32.dll", "ShellExecuteW", reinterpret_cast<void*>(&ShellExecuteRecorder::Replacement));
    g_realShellExecute = reinterpret_cast<ShellExecuteFn>(m_patch->Original());
}

ShellExecuteRecorder::~ShellExecuteRecorder() = default;

HINSTANCE WINAPI ShellExecuteRecorder::Replacement(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                                                   LPCWSTR directory, INT show)
{
    bool forward;
    {
        std::lock_guard<std::mutex> lock(g_shellMutex);
        g_shellCalls.push_back(Call{ owner, verb == nullptr, parameters == nullptr, directory == nullptr,
                                     file ? file : L"", show });
        forward = g_forwardShellExecute;
    }
    return forward ? g_realShellExecute(owner, verb, file, parameters, directory, show)
                   : reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_NOASSOC));
}

std::vector<ShellExecuteRecorder::Call> ShellExecuteRecorder::Calls() const
{
    std::lock_guard<std::mutex> lock(g_shellMutex);
    return g_shellCalls;
}

namespace {
std::mutex g_flashMutex;
std::vector<FLASHWINFO> g_flashCalls;
std::mutex g_foregroundMutex;
std::vector<DWORD> g_foregroundCalls;
using AllowSetForegroundWindowFn = BOOL(WINAPI*)(DWORD);
AllowSetForegroundWindowFn g_realAllowSetForegroundWindow = nullptr;
}  // namespace

FlashRecorder::FlashRecorder()
{
    std::lock_guard<std::mutex> lock(g_flashMutex);
    g_flashCalls.clear();
    m_patch = PatchTestProgram("user32.dll", "FlashWindowEx", reinterpret_cast<void*>(&FlashRecorder::Replacement));
}

FlashRecorder::~FlashRecorder() = default;

BOOL WINAPI FlashRecorder::Replacement(PFLASHWINFO info)
{
    std::lock_guard<std::mutex> lock(g_flashMutex);
    g_flashCalls.push_back(*info);
    return TRUE;
}

std::vector<FLASHWINFO> FlashRecorder::Calls() const
{
    std::lock_guard<std::mutex> lock(g_flashMutex);
    return g_flashCalls;
}

ForegroundRightRecorder::ForegroundRightRecorder()
{
    std::lock_guard<std::mutex> lock(g_foregroundMutex);
    g_foregroundCalls.clear();
    m_patch = PatchTestProgram("user32.dll", "AllowSetForegroundWindow",
                               reinterpret_cast<void*>(&ForegroundRightRecorder::Replacement));
    g_realAllowSetForegroundWindow = reinterpret_cast<AllowSetForegroundWindowFn>(m_patch->Original());
}

ForegroundRightRecorder::~ForegroundRightRecorder() = default;

BOOL WINAPI ForegroundRightRecorder::Replacement(DWORD processId)
{
    {
        std::lock_guard<std::mutex> lock(g_foregroundMutex);
        g_foregroundCalls.push_back(processId);
    }
    return g_realAllowSetForegroundWindow(processId);
}

std::vector<DWORD> ForegroundRightRecorder::Calls() const
{
    std::lock_guard<std::mutex> lock(g_foregroundMutex);
    return g_foregroundCalls;
}

// ---- the URL capture -------------------------------------------------------------------------

UrlCapture::UrlCapture() : m_captured(::CreateEventW(nullptr, FALSE, FALSE, L"KeshTest_UrlCaptured"))
{
    wchar_t path[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"KESH_URL_LOG", path, MAX_PATH);
    m_logPath = path;
    EXPECT_FALSE(m_logPath.empty()) << "KESH_URL_LOG is not set: the prefix was not prepared";
    ::DeleteFileW(m_logPath.c_str());
    ::SetEnvironmentVariableW(L"KESH_URL_MARKER", L"1");
}

UrlCapture::~UrlCapture()
{
    ::SetEnvironmentVariableW(L"KESH_URL_MARKER", nullptr);
}

bool UrlCapture::WaitForCapture(DWORD timeoutMs) const
{
    return ::WaitForSingleObject(m_captured.get(), timeoutMs) == WAIT_OBJECT_0;
}

std::vector<UrlCapture::Entry> UrlCapture::Entries() const
{
    std::vector<Entry> entries;
    for (const std::wstring& line : SplitLines(ReadUtf16File(m_logPath))) {
        const size_t tab = line.rfind(L'\t');
        entries.push_back(tab == std::wstring::npos ? Entry{ line, L"" }
                                                    : Entry{ line.substr(0, tab), line.substr(tab + 1) });
    }
    return entries;
}

// ---- the toast-library doubles --------------------------------------------------------------

ToastDouble::ToastDouble(const std::wstring& variant, const std::wstring& folder)
    : m_dllPath(folder + L"\\ToastHost.dll")
{
    EXPECT_TRUE(CopyFileTo(BinPath(L"toast\\" + variant + L"\\ToastHost.dll"), m_dllPath));
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    m_logPath = std::wstring(temp) + L"kesh_toast_" + std::to_wstring(::GetCurrentProcessId()) + L".log";
    ::DeleteFileW(m_logPath.c_str());
    ::SetEnvironmentVariableW(L"KESH_TOAST_LOG", m_logPath.c_str());
}

ToastDouble::~ToastDouble()
{
    ::DeleteFileW(m_dllPath.c_str());
    ::DeleteFileW(m_logPath.c_str());
    ::SetEnvironmentVariableW(L"KESH_TOAST_LOG", nullptr);
}

std::vector<std::wstring> ToastDouble::Calls() const
{
    return SplitLines(ReadUtf16File(m_logPath));
}

// ---- the stand-in for the platform's toast classes ---------------------------------------------

namespace {
constexpr wchar_t kActivatableClasses[] = L"Software\\Microsoft\\WindowsRuntime\\ActivatableClassId\\";
constexpr wchar_t kStandInSettings[] = L"Software\\KeshTest\\ToastStandIn";
const wchar_t* const kStandInClasses[] = { L"Windows.UI.Notifications.ToastNotificationManager",
                                           L"Windows.UI.Notifications.ToastNotification",
                                           L"Windows.Data.Xml.Dom.XmlDocument" };
}  // namespace

ToastPlatformStandIn::ToastPlatformStandIn()
{
    const std::wstring dll = BinPath(L"ToastRuntimeStandIn.dll");
    for (const wchar_t* name : kStandInClasses) {
        ScopedRegKey key;
        EXPECT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kActivatableClasses) + name).c_str(),
                                                   0, nullptr, 0, KEY_WRITE, nullptr, key.receive(), nullptr));
        const DWORD inProcess = 0;
        ::RegSetValueExW(key.get(), L"DllPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.c_str()),
                         static_cast<DWORD>((dll.size() + 1) * sizeof(wchar_t)));
        ::RegSetValueExW(key.get(), L"ActivationType", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&inProcess),
                         sizeof(inProcess));
    }
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    m_log = std::wstring(temp) + L"kesh_standin_" + std::to_wstring(::GetCurrentProcessId()) + L".log";
    ClearLog();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kStandInSettings);
    Set(L"Log", m_log);
}

ToastPlatformStandIn::~ToastPlatformStandIn()
{
    for (const wchar_t* name : kStandInClasses) {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kActivatableClasses) + name).c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kActivatableClasses) + name).c_str());
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kStandInSettings);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kStandInSettings);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\AppUserModelId\\Brenlo.KESH.UI");
    ::DeleteFileW(m_log.c_str());
}

void ToastPlatformStandIn::Set(const wchar_t* name, const std::wstring& value) const
{
    ScopedRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, kStandInSettings, 0, nullptr, 0, KEY_WRITE, nullptr,
                                               key.receive(), nullptr));
    if (value.empty()) {
        ::RegDeleteValueW(key.get(), name);
        return;
    }
    ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::vector<std::wstring> ToastPlatformStandIn::Calls() const
{
    return SplitLines(ReadUtf16File(m_log));
}

std::wstring ToastPlatformStandIn::Call(const std::wstring& prefix) const
{
    for (const std::wstring& call : Calls()) {
        if (call.compare(0, prefix.size(), prefix) == 0) return call;
    }
    return std::wstring();
}

int ToastPlatformStandIn::Count(const std::wstring& prefix) const
{
    int count = 0;
    for (const std::wstring& call : Calls()) count += call.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return count;
}

void ToastPlatformStandIn::ClearLog() const
{
    ::DeleteFileW(m_log.c_str());
}

namespace {

constexpr wchar_t kCurrentVersionKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion";

std::wstring StringValue(HKEY root, const wchar_t* key, const wchar_t* name)
{
    wchar_t value[64] = {};
    DWORD bytes = sizeof(value);
    return ::RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, value, &bytes) == ERROR_SUCCESS ? value : L"";
}

void SetStringValue(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& value)
{
    if (value.empty()) {
        ::RegDeleteKeyValueW(root, key, name);
    } else {
        ::RegSetKeyValueW(root, key, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
}

}  // namespace

ReportedWindowsVersion::ReportedWindowsVersion(const wchar_t* program, const wchar_t* version)
{
    if (program) {
        m_key = std::wstring(L"Software\\Wine\\AppDefaults\\") + program;
        SetStringValue(HKEY_CURRENT_USER, m_key.c_str(), L"Version", version);
        return;
    }
    const std::wstring number(version);
    const size_t build = number.find_last_of(L'.');
    m_default = StringValue(HKEY_CURRENT_USER, L"Software\\Wine", L"Version");
    m_number = StringValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CurrentVersion");
    m_build = StringValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CurrentBuildNumber");
    SetStringValue(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", L"");
    SetStringValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CurrentVersion", number.substr(0, build));
    SetStringValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CurrentBuildNumber", number.substr(build + 1));
}

ReportedWindowsVersion::~ReportedWindowsVersion()
{
    if (!m_key.empty()) {
        ::RegDeleteKeyW(HKEY_CURRENT_USER, m_key.c_str());
        return;
    }
    SetStringValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CurrentVersion", m_number);
    SetStringValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CurrentBuildNumber", m_build);
    SetStringValue(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", m_default);
}

HRESULT ClickThroughTheActivator(bool call)
{
    toasthost::INotificationActivationCallback* activator = nullptr;
    HRESULT result = ::CoCreateInstance(toasthost::kToastActivatorClsid, nullptr, CLSCTX_LOCAL_SERVER,
                                        toasthost::kIID_INotificationActivationCallback,
                                        reinterpret_cast<void**>(&activator));
    if (FAILED(result)) return result;
    if (call) result = activator->Activate(L"Brenlo.KESH.UI", L"", nullptr, 0);
    activator->Release();
    return result;
}

}  // namespace kesh_test
