#pragma once
// Helpers shared by the tests: the shared registry key, a service double on the real named
// events, a recorder of the status texts the window is given, a driver that runs a dialog
// modally while another thread acts on it like a user, and readers of the URL capture and of
// the toast-library doubles' call logs.

#include "ImportPatch.h"
#include "framework/CDialogEx.h"
#include "win32/ScopedHandle.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kesh_test {

// ---- files and processes -------------------------------------------------------------------

std::wstring ExeDirectory();                    // folder of the running test program
std::wstring BinPath(const std::wstring& name);  // a program of this build (bin\, beside the tests)
std::wstring TempDirectory(const std::wstring& name);  // a fresh, empty folder under %TEMP%
bool CopyFileTo(const std::wstring& from, const std::wstring& to);
std::wstring ReadUtf16File(const std::wstring& path);
std::vector<std::wstring> SplitLines(const std::wstring& text);

// A started program; killed when the object goes, so that a failed test leaves nothing running.
struct Process {
    Process() = default;
    Process(Process&&) = default;
    Process& operator=(Process&&) = default;
    ~Process() { Kill(); }

    ScopedHandle handle;
    DWORD id = 0;
    DWORD startError = 0;  // CreateProcess's error when it failed
    bool Wait(DWORD timeoutMs) const;  // true when it ended in time
    DWORD ExitCode() const;
    void Kill() const;
};
// Starts a program with a full command line; output goes to NUL, never to our pipes.
Process Start(const std::wstring& application, const std::wstring& arguments,
              const std::wstring& currentDirectory = std::wstring(), DWORD creationFlags = 0);
// With CREATE_SUSPENDED: the primary thread, to resume.
struct SuspendedProcess {
    Process process;
    ScopedHandle thread;
};
SuspendedProcess StartSuspended(const std::wstring& application, const std::wstring& arguments);
// Starts the update-service simulator with `options` and returns once both of its events exist.
Process StartServiceSimulator(const std::wstring& options);


// Handles this thread's messages (its windows, hooks and callbacks) until `done` or the time is up.
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs);

// ---- registry ------------------------------------------------------------------------------

// Removes the shared key (and with it both values).
void DeleteSettingsKey();
// Stores raw bytes of any type and size as a value of the shared key, creating the key.
void SetSettingRaw(LPCWSTR name, DWORD type, const void* data, DWORD bytes);
void SetSettingString(LPCWSTR name, const std::wstring& value);  // REG_SZ with terminator
// The stored value as REG_SZ text; false when missing or of another type.
bool GetSettingString(LPCWSTR name, std::wstring& value);
// Last_KESHUI_WL as stored, or "<none>".
std::wstring LastShownResponse();

// The Windows version Wine reports to programs started while the object lives: one Wine names
// ("win8") to programs of that file name; or, with no program, a numbered one ("10.0.14393") to
// every program, which Wine reads from CurrentVersion once the prefix's own default is set aside.
class ReportedWindowsVersion {
public:
    ReportedWindowsVersion(const wchar_t* program, const wchar_t* version);
    ~ReportedWindowsVersion();
    ReportedWindowsVersion(const ReportedWindowsVersion&) = delete;
    ReportedWindowsVersion& operator=(const ReportedWindowsVersion&) = delete;

private:
    std::wstring m_key;
    std::wstring m_default, m_number, m_build;  // what a numbered version replaced
};

// Plays the platform on Windows 10 when the user clicks a toast: creates the toasts' activator
// (from a process that registered it, or through its local server) and calls Activate; or,
// without `call`, lets go of it again without a call, as on no click at all.
HRESULT ClickThroughTheActivator(bool call = true);

// Each test starts with no key, and leaves none behind.
class SettingsKeyGuard {
public:
    SettingsKeyGuard() { DeleteSettingsKey(); }
    ~SettingsKeyGuard() { DeleteSettingsKey(); }
};

// ---- the update service, in this process -------------------------------------------------

// Creates the service's named events and answers requests on a thread of its own: it waits for
// the request, stores the answer (unless told not to), and sets the response event.
class ServiceDouble {
public:
    struct Options {
        std::wstring answer;
        bool createResponseEvent = true;
        bool answerRequests = true;  // false: requests are seen, never answered
        DWORD delayMs = 0;
    };
    explicit ServiceDouble(const Options& options);
    ~ServiceDouble();

    bool WaitForRequest(DWORD timeoutMs) const;  // the program set the request event
    bool WaitForAnswer(DWORD timeoutMs) const;   // the double has set the response event
    void SetResponseNow() const;                 // signals the response event directly
    HANDLE RequestEvent() const { return m_request.get(); }

private:
    void Run();
    Options m_options;
    ScopedHandle m_request, m_response, m_quit, m_requestSeen, m_answered;
    std::thread m_thread;
};

// ---- the window ------------------------------------------------------------------------------

// Records, on the calling (user-interface) thread, every text given to the status control and
// the status text at the moment the window is first shown.
class StatusTextRecorder {
public:
    StatusTextRecorder();
    ~StatusTextRecorder();
    std::vector<std::wstring> Texts() const;
    std::wstring TextWhenShown() const;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK m_hook;
    mutable std::mutex m_mutex;
    std::vector<std::wstring> m_texts;
    std::wstring m_textWhenShown;
    bool m_shown = false;
};

struct ModalOutcome {
    INT_PTR result = 0;
    bool driverFoundWindow = false;
    bool closedByWatchdog = false;  // the driver left the window open; it was closed for it
};

// Runs `modal` (a DoModal or an InitInstance) on this thread while `driver` acts on the update
// window from another thread, as a user would; `beforeWindow`, if given, runs on that thread
// first. Should the window still be open 10 s after the driver returns, it is closed (WM_CLOSE)
// and the outcome says so. No window by the time `modal` returns: the driver never runs.
ModalOutcome RunWithDriver(const std::function<INT_PTR()>& modal, const std::function<void(HWND)>& driver,
                           const std::function<void()>& beforeWindow = nullptr);

// Fails the test and closes the window when `driver` does not end it itself.
ModalOutcome RunDialog(CDialogEx& dialog, const std::function<void(HWND)>& driver);

// ---- what the shell was asked to open ------------------------------------------------------

// Replaces ShellExecuteW in the test program's import table, so that every call the product
// makes is recorded; calls go on to the real function unless `forward` is false.
class ShellExecuteRecorder {
public:
    struct Call {
        HWND owner;
        bool verbNull, parametersNull, directoryNull;
        std::wstring file;
        int show;
    };
    explicit ShellExecuteRecorder(bool forward = true);
    ~ShellExecuteRecorder();
    std::vector<Call> Calls() const;

private:
    static HINSTANCE WINAPI Replacement(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    std::unique_ptr<ImportPatch> m_patch;
};

// Records every FlashWindowEx call the test program makes (Wine without a window manager shows
// no flash to look at); nothing is flashed.
class FlashRecorder {
public:
    FlashRecorder();
    ~FlashRecorder();
    FlashRecorder(const FlashRecorder&) = delete;
    FlashRecorder& operator=(const FlashRecorder&) = delete;
    std::vector<FLASHWINFO> Calls() const;

private:
    static BOOL WINAPI Replacement(PFLASHWINFO info);
    std::unique_ptr<ImportPatch> m_patch;
};

// Records the process ids the test program lets take the foreground (AllowSetForegroundWindow);
// Wine has no foreground lock, so only the record shows the right handed on. Calls go on.
class ForegroundRightRecorder {
public:
    ForegroundRightRecorder();
    ~ForegroundRightRecorder();
    ForegroundRightRecorder(const ForegroundRightRecorder&) = delete;
    ForegroundRightRecorder& operator=(const ForegroundRightRecorder&) = delete;
    std::vector<DWORD> Calls() const;

private:
    static BOOL WINAPI Replacement(DWORD processId);
    std::unique_ptr<ImportPatch> m_patch;
};

// The addresses the registered http/https handler was asked to open, one entry each, with how
// it was started: "inherited" (from the test's environment, i.e. by the shell in this process
// or its child) or "fresh" (a user environment block, i.e. through explorer.exe as the user).
class UrlCapture {
public:
    UrlCapture();   // clears the log and creates the "captured" event
    ~UrlCapture();
    struct Entry {
        std::wstring address;
        std::wstring environment;
    };
    bool WaitForCapture(DWORD timeoutMs) const;
    std::vector<Entry> Entries() const;

private:
    std::wstring m_logPath;
    ScopedHandle m_captured;
};

// ---- the toast-library doubles --------------------------------------------------------------

// Puts a variant of the double (built as bin/toast/<variant>/ToastHost.dll) in `folder` and
// points its call log at a fresh file; the log lives as long as the object.
class ToastDouble {
public:
    ToastDouble(const std::wstring& variant, const std::wstring& folder);
    ~ToastDouble();
    std::vector<std::wstring> Calls() const;  // "Init", "GetVisibility ...", ...
    std::wstring DllPath() const { return m_dllPath; }

private:
    std::wstring m_dllPath;
    std::wstring m_logPath;
};

// ---- the stand-in for the platform's toast classes ---------------------------------------------

// Registers tools/toast_standin as the platform's toast classes, the way the Windows Runtime looks
// them up, and points its call log at a fresh file; both go again with the object. Its answers
// are set with Set (see the stand-in for the names); every process of the user reads them.
class ToastPlatformStandIn {
public:
    ToastPlatformStandIn();
    ~ToastPlatformStandIn();
    ToastPlatformStandIn(const ToastPlatformStandIn&) = delete;
    ToastPlatformStandIn& operator=(const ToastPlatformStandIn&) = delete;

    void Set(const wchar_t* name, const std::wstring& value) const;  // empty: removed
    std::vector<std::wstring> Calls() const;  // "Show xml=... process=ToastHost.exe pid=12", ...
    // The first call that starts with `prefix`, or empty; how many do.
    std::wstring Call(const std::wstring& prefix) const;
    int Count(const std::wstring& prefix) const;
    void ClearLog() const;

private:
    std::wstring m_log;
};

}  // namespace kesh_test
