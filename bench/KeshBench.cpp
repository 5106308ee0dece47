// Measures KeshUI.exe beside BareDialog.exe (a bare dialog of the same template size), in the
// same run under the same platform, and prints a Markdown table (also written to --out):
//
//   KeshBench.exe [--runs N] [--response-runs M] [--idle-seconds S] [--out FILE]
//
// - start to window visible, and Escape to the window gone and to process exit (min / median /
//   max, ratio of medians);
// - notification mode's start with the user's notification state asked, beside the same program
//   that never asks (KeshUIWithUserAway.exe with no state set), and the CPU time it uses while it
//   waits for a busy user (S seconds);
// - the service's response event to the new status text on screen (pixels of the status line
//   changed), and to the text set (WM_GETTEXT), for KeshUI.exe;
// - CPU time used while the window waits for a service that never answers (S seconds);
// - handles and private memory of the process at the end of a run;
// - size of each executable and the DLLs it imports.
// The bench plays the update service itself: it creates both named events.

#include "Probe.h"
#include "app/UpdateSettings.h"
#include "service/UpdateServiceContract.h"
#include "toasthost/ToastHostExports.h"
#include "win32/Module.h"

#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// ---- timing and statistics ----------------------------------------------------------------

double NowMs()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart * 1000.0 / frequency;
}

struct Stats {
    double min = 0, median = 0, max = 0, p99 = 0;
    size_t count = 0;
};

Stats Summarise(std::vector<double> samples)
{
    Stats stats;
    if (samples.empty()) return stats;
    std::sort(samples.begin(), samples.end());
    stats.count = samples.size();
    stats.min = samples.front();
    stats.max = samples.back();
    stats.median = samples.size() % 2 ? samples[samples.size() / 2]
                                      : (samples[samples.size() / 2 - 1] + samples[samples.size() / 2]) / 2;
    // Nearest-rank 99th percentile.
    const size_t rank = static_cast<size_t>(std::ceil(0.99 * samples.size()));
    stats.p99 = samples[std::min(samples.size(), std::max<size_t>(rank, 1)) - 1];
    return stats;
}

// ---- processes ----------------------------------------------------------------------------

std::wstring ExeDirectory()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L'\\'));
}

struct Child {
    HANDLE process = nullptr;
    DWORD id = 0;
    ~Child()
    {
        if (!process) return;
        if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT) ::TerminateProcess(process, 1);
        ::CloseHandle(process);
    }
};

bool Launch(const std::wstring& program, Child& child, const std::wstring& arguments = L"")
{
    SECURITY_ATTRIBUTES inheritable = { sizeof(inheritable), nullptr, TRUE };
    const HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &inheritable, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    std::wstring commandLine = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    PROCESS_INFORMATION info = {};
    const BOOL started = ::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                          nullptr, &startup, &info);
    ::CloseHandle(nul);
    if (!started) return false;
    ::CloseHandle(info.hThread);
    child.process = info.hProcess;
    child.id = info.dwProcessId;
    return true;
}

HWND WaitForVisibleWindow(LPCWSTR title, DWORD processId, DWORD timeoutMs)
{
    HWND found = nullptr;
    probe::WaitUntil([&] {
        found = ::FindWindowW(L"#32770", title);
        if (!found || !::IsWindowVisible(found)) return false;
        DWORD owner = 0;
        ::GetWindowThreadProcessId(found, &owner);
        return owner == processId;
    }, timeoutMs);
    return found;
}

double CpuMs(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    auto ms = [](const FILETIME& t) { return ((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}

double PrivateMegabytes(HANDLE process)
{
    // The commit charge: a process's private memory (PrivateUsage is not filled in for other
    // processes by Wine; PagefileUsage carries the same figure).
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!::GetProcessMemoryInfo(process, &counters, sizeof(counters))) return -1;
    return counters.PagefileUsage / (1024.0 * 1024.0);
}

// ---- the service, played by the bench --------------------------------------------------------

struct Service {
    HANDLE request = ::CreateEventW(nullptr, FALSE, FALSE, kCheckForUpdateEventName);
    HANDLE response = ::CreateEventW(nullptr, FALSE, FALSE, kServerResponseEventName);
    ~Service()
    {
        ::CloseHandle(request);
        ::CloseHandle(response);
    }
    static void StoreAnswer(LPCWSTR answer)
    {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr) != ERROR_SUCCESS) {
            return;
        }
        ::RegSetValueExW(key, kServerResponseValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(answer),
                         static_cast<DWORD>((wcslen(answer) + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }
};

// Dark pixels (the status text) in a capture of the screen.
bool HasDarkPixels(const std::vector<DWORD>& pixels)
{
    return std::any_of(pixels.begin(), pixels.end(), [](DWORD p) { return (p & 0xFF) < 0x60; });
}

// ---- the measurements -----------------------------------------------------------------------

struct Program {
    const wchar_t* label;
    std::wstring path;
    const wchar_t* title;
    std::vector<double> visibleMs, goneMs, exitMs, handles, privateMb;
    double idleCpuMs = -1;
};

// Escape to the window off the screen (what the user sees), and to the process's end.
bool PressEscapeAndWait(HWND window, const Child& child, double& exitMs, double* goneMs = nullptr)
{
    if (!probe::Activate(window)) return false;
    const double pressed = NowMs();
    probe::PressKey(VK_ESCAPE);
    if (goneMs) {
        if (!probe::WaitUntil([&] { return !::IsWindowVisible(window); }, 10000, 0)) return false;
        *goneMs = NowMs() - pressed;
    }
    if (::WaitForSingleObject(child.process, 10000) != WAIT_OBJECT_0) return false;
    exitMs = NowMs() - pressed;
    return true;
}

bool MeasureRun(Program& program, bool measureIdle, DWORD idleSeconds)
{
    Child child;
    const double started = NowMs();
    if (!Launch(program.path, child)) return false;
    const HWND window = WaitForVisibleWindow(program.title, child.id, 20000);
    if (!window) return false;
    program.visibleMs.push_back(NowMs() - started);

    if (measureIdle) {
        // Let start-up finish (the check has been requested and nothing more will come), then
        // count only the waiting.
        ::WaitForSingleObject(child.process, 500);
        const double before = CpuMs(child.process);
        ::WaitForSingleObject(child.process, idleSeconds * 1000);
        program.idleCpuMs = CpuMs(child.process) - before;
    }
    program.handles.push_back(static_cast<double>(probe::HandleCountOf(child.id)));
    program.privateMb.push_back(PrivateMegabytes(child.process));

    double exitMs = 0;
    double goneMs = 0;
    if (!PressEscapeAndWait(window, child, exitMs, &goneMs)) return false;
    program.goneMs.push_back(goneMs);
    program.exitMs.push_back(exitMs);
    return true;
}

// Notification mode needs an answer it has not announced yet: a new one for every run.
void StoreNewServerAnswer(int run)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    const std::wstring answer = L"http://example.com/bench/" + std::to_wstring(run);
    ::RegSetValueExW(key, kServerResponseValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(answer.c_str()),
                     static_cast<DWORD>((answer.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

// Start of KeshUI.exe /NotifMode to its window on screen: the toast library's calls come before.
bool MeasureNotificationRun(const std::wstring& keshUI, int run, std::vector<double>& visibleMs)
{
    StoreNewServerAnswer(run);
    Child child;
    const double started = NowMs();
    if (!Launch(keshUI, child, L"/NotifMode")) return false;
    const HWND window = WaitForVisibleWindow(kWindowTitle, child.id, 20000);
    if (!window) return false;
    visibleMs.push_back(NowMs() - started);
    double exitMs = 0;
    return PressEscapeAndWait(window, child, exitMs);
}

// What KeshUIWithUserAway.exe finds as the user's notification state (QUNS_*; null: none, and it
// never asks).
void SetUserState(const wchar_t* state)
{
    if (!state) {
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\KeshTest", L"UserNotificationState");
        return;
    }
    ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\KeshTest", L"UserNotificationState", REG_SZ, state,
                      static_cast<DWORD>((wcslen(state) + 1) * sizeof(wchar_t)));
}

// CPU time of notification mode while a busy user (presentation settings on: a "busy" alone is
// believed only over a full-screen window) keeps it waiting for `seconds`, after which the user is
// back and the window comes.
double MeasureWaitForTheUser(const std::wstring& program, int run, DWORD seconds)
{
    StoreNewServerAnswer(run);
    SetUserState(L"4");
    Child child;
    double cpuMs = -1;
    HWND listener = nullptr;
    if (Launch(program, child, L"/NotifMode") && probe::WaitUntil([&] {
            DWORD owner = 0;
            listener = ::FindWindowW(L"KeshUI waits for the user", nullptr);
            return listener && ::GetWindowThreadProcessId(listener, &owner) && owner == child.id;
        }, 20000)) {
        ::WaitForSingleObject(child.process, 500);  // start-up over
        const double before = CpuMs(child.process);
        ::WaitForSingleObject(child.process, seconds * 1000);
        cpuMs = CpuMs(child.process) - before;
        SetUserState(L"5");
        ::SendMessageTimeoutW(listener, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L""), SMTO_ABORTIFHUNG, 5000, nullptr);
        const HWND window = WaitForVisibleWindow(kWindowTitle, child.id, 20000);
        double exitMs = 0;
        if (!window || !PressEscapeAndWait(window, child, exitMs)) cpuMs = -1;
    }
    SetUserState(nullptr);
    return cpuMs;
}

// DisplayToastNotification of the real library in this process, as the adapter calls it: as
// itself (the library announces in this process), or impersonating (it starts its host process
// as the impersonated user, as for KeshUI.exe running as the service's account).
bool MeasureDisplayToast(const std::wstring& library, bool impersonating, std::vector<double>& displayMs)
{
    const HMODULE module = ::LoadLibraryW(library.c_str());
    if (!module) return false;
    const auto init = LookUp<toasthost::PFN_Init>(module, toasthost::kInitExport);
    const auto unInit = LookUp<toasthost::PFN_UnInit>(module, toasthost::kUnInitExport);
    const auto display = LookUp<toasthost::PFN_DisplayToastNotification>(module, toasthost::kDisplayToastNotificationExport);
    const auto visibility = LookUp<toasthost::PFN_GetVisibility>(module, toasthost::kGetVisibilityExport);
    bool ok = init && unInit && display && visibility && init() != 0;
    if (ok) {
        const HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                             nullptr, nullptr);
        ::SendMessageW(owner, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(::LoadIconW(nullptr, IDI_APPLICATION)));
        int first = 0, second = 0;
        LONGLONG third = 0;
        ok = !impersonating || ::ImpersonateSelf(SecurityImpersonation);
        if (ok) {
            visibility(&first, &second, &third);
            const double before = NowMs();
            display(kWindowTitle,
                    kToastText, kAppUserModelId, owner);
            displayMs.push_back(NowMs() - before);
            if (impersonating) ::RevertToSelf();
            // The library starts its host once this thread is idle, as after a window shows.
            MSG message;
            const ULONGLONG until = ::GetTickCount64() + 100;
            while (::GetTickCount64() < until) {
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
                while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
            }
        }
        unInit();
        ::DestroyWindow(owner);
    }
    ::FreeLibrary(module);
    return ok;
}

struct ResponseSample {
    double textMs, screenMs;
};

bool MeasureResponse(const std::wstring& keshUI, Service& service, ResponseSample& sample)
{
    ::ResetEvent(service.request);
    Child child;
    if (!Launch(keshUI, child)) return false;
    const HWND window = WaitForVisibleWindow(kWindowTitle, child.id, 20000);
    if (!window || ::WaitForSingleObject(service.request, 10000) != WAIT_OBJECT_0) return false;
    const int status = 1011;
    const HWND statusControl = ::GetDlgItem(window, status);
    // Read without a message to the window's thread, which must stay free to paint.
    auto statusText = [&] {
        wchar_t text[256] = {};
        ::InternalGetWindowText(statusControl, text, 256);
        return std::wstring(text);
    };
    const std::wstring checking = statusText();
    probe::ScreenArea area(probe::ControlScreenRect(window, status));
    // The waiting text must be on screen before the answer, or its own painting would count.
    std::vector<DWORD> before;
    if (!probe::WaitUntil([&] { return HasDarkPixels(before = area.Capture()); }, 5000)) return false;
    ::Sleep(50);
    before = area.Capture();

    Service::StoreAnswer(L"");
    const double signalled = NowMs();
    ::SetEvent(service.response);
    double textAt = -1;
    double screenAt = -1;
    probe::WaitUntil([&] {
        const double now = NowMs();
        if (textAt < 0 && statusText() != checking) textAt = now;
        if (screenAt < 0 && area.Capture() != before) screenAt = now;
        return textAt >= 0 && screenAt >= 0;
    }, 5000, 0);
    sample = { textAt - signalled, screenAt - signalled };
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ::WaitForSingleObject(child.process, 10000);
    return textAt >= 0 && screenAt >= 0;
}

// ---- the executable files ---------------------------------------------------------------------

std::vector<std::string> ImportedDlls(const std::wstring& path, ULONGLONG& size)
{
    std::vector<std::string> dlls;
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return dlls;
    LARGE_INTEGER length = {};
    ::GetFileSizeEx(file, &length);
    size = static_cast<ULONGLONG>(length.QuadPart);
    std::vector<BYTE> image(static_cast<size_t>(length.QuadPart));
    DWORD read = 0;
    ::ReadFile(file, image.data(), static_cast<DWORD>(image.size()), &read, nullptr);
    ::CloseHandle(file);

    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
    const auto* sections = IMAGE_FIRST_SECTION(nt);
    auto offsetOf = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize) {
                return rva - s.VirtualAddress + s.PointerToRawData;
            }
        }
        return 0;
    };
    auto lower = [](std::string name) {
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return static_cast<char>(::tolower(c)); });
        return name;
    };
    const DWORD importRva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (const auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.data() + offsetOf(importRva)); d->Name;
         ++d) {
        dlls.push_back(lower(reinterpret_cast<const char*>(image.data() + offsetOf(d->Name))));
    }
    // Delay-loaded DLLs: the linker leaves the delay-import directory empty, so look for the
    // descriptors themselves (attributes 1, then the RVAs of the name, module handle, address
    // table and name table, all inside the image, the name a "*.dll" string).
    const DWORD imageSize = nt->OptionalHeader.SizeOfImage;
    for (size_t at = 0; at + 32 <= image.size(); at += 4) {
        const auto* d = reinterpret_cast<const DWORD*>(image.data() + at);
        if (d[0] != 1 || !d[1] || d[1] >= imageSize || !d[2] || d[2] >= imageSize || !d[3] || d[3] >= imageSize ||
            !d[4] || d[4] >= imageSize) {
            continue;
        }
        const size_t nameAt = offsetOf(d[1]);
        if (!nameAt) continue;
        std::string name;
        for (size_t i = nameAt; i < image.size() && image[i] >= 0x20 && image[i] < 0x7F && name.size() < 64; ++i) {
            name += static_cast<char>(image[i]);
        }
        name = lower(name);
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dll") == 0) dlls.push_back(name + " (delayed)");
    }
    return dlls;
}

bool EveryWindowsHasThem(const std::vector<std::string>& dlls)
{
    // System DLLs of every Windows from 6.0 on.
    static const char* const system[] = { "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
                                          "ole32.dll", "oleaut32.dll", "oleacc.dll", "comctl32.dll", "wtsapi32.dll", "userenv.dll",
                                          "msvcrt.dll" };
    return std::all_of(dlls.begin(), dlls.end(), [](const std::string& dll) {
        const std::string name = dll.substr(0, dll.find(' '));
        return std::any_of(std::begin(system), std::end(system), [&](const char* s) { return name == s; });
    });
}

// ---- output ---------------------------------------------------------------------------------

std::string Utf8(const std::wstring& text)
{
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], bytes, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

std::string Format(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    return buffer;
}

std::string Triple(const Stats& s, const char* unit)
{
    return Format("%.1f / %.1f / %.1f %s", s.min, s.median, s.max, unit);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    int runs = 20;
    int responseRuns = 50;
    DWORD idleSeconds = 10;
    std::wstring out;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring option = argv[i];
        if (option == L"--runs") runs = _wtoi(argv[i + 1]);
        else if (option == L"--response-runs") responseRuns = _wtoi(argv[i + 1]);
        else if (option == L"--idle-seconds") idleSeconds = static_cast<DWORD>(_wtoi(argv[i + 1]));
        else if (option == L"--out") out = argv[i + 1];
    }

    const std::wstring dir = ExeDirectory();
    Program kesh = { kProgramFileName, dir + L"\\KeshUI.exe", kWindowTitle, {}, {}, {}, {}, {} };
    Program bare = { L"BareDialog.exe", dir + L"\\BareDialog.exe", L"Bare Dialog", {}, {}, {}, {}, {} };
    Program bareCC = { L"BareDialogCommonControls.exe", dir + L"\\BareDialogCommonControls.exe", L"Bare Dialog",
                       {}, {}, {}, {}, {} };

    // KeshUI.exe runs interactive checks against a service that never answers.
    Service service;
    // One unmeasured run of each first: the platform's caches are warm for both alike.
    for (Program* p : { &kesh, &bare, &bareCC }) {
        Program warm = *p;
        MeasureRun(warm, false, 0);
    }
    for (int i = 0; i < runs; ++i) {
        // Alternate, so that drifts of the machine touch all alike.
        for (Program* p : { &kesh, &bare, &bareCC }) {
            if (!MeasureRun(*p, false, 0)) std::fprintf(stderr, "run %d of %s failed\n", i, Utf8(p->label).c_str());
        }
    }
    for (Program* p : { &kesh, &bare }) MeasureRun(*p, true, idleSeconds);

    std::vector<double> textMs, screenMs;
    for (int i = 0; i < responseRuns; ++i) {
        ResponseSample sample = {};
        if (MeasureResponse(kesh.path, service, sample)) {
            textMs.push_back(sample.textMs);
            screenMs.push_back(sample.screenMs);
        } else {
            std::fprintf(stderr, "response run %d failed\n", i);
        }
    }

    // Notification mode with the real ToastHost.dll beside the program, and with none (a copy of
    // the program in a folder of its own), alternating.
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring alone = std::wstring(temp) + L"kesh_bench_no_library";
    ::CreateDirectoryW(alone.c_str(), nullptr);
    ::CopyFileW(kesh.path.c_str(), (alone + L"\\KeshUI.exe").c_str(), FALSE);
    // The program that never asks for the user's state stands beside it, with the same library.
    const std::wstring neverAsks = dir + L"\\KeshUIWithUserAway.exe";
    SetUserState(nullptr);
    std::vector<double> withLibraryMs, withoutLibraryMs, neverAsksMs, displayMs, displayHostMs;
    for (int i = 0; i <= runs; ++i) {
        std::vector<double> with, without, notAsked;  // run 0 warms them up and is not counted
        if (!MeasureNotificationRun(kesh.path, 3 * i, with) ||
            !MeasureNotificationRun(alone + L"\\KeshUI.exe", 3 * i + 1, without) ||
            !MeasureNotificationRun(neverAsks, 3 * i + 2, notAsked)) {
            std::fprintf(stderr, "notification run %d failed\n", i);
        } else if (i > 0) {
            withLibraryMs.push_back(with.front());
            withoutLibraryMs.push_back(without.front());
            neverAsksMs.push_back(notAsked.front());
        }
        if (!MeasureDisplayToast(dir + L"\\ToastHost.dll", false, displayMs) ||
            !MeasureDisplayToast(dir + L"\\ToastHost.dll", true, displayHostMs)) {
            std::fprintf(stderr, "display %d failed\n", i);
        }
    }
    ::DeleteFileW((alone + L"\\KeshUI.exe").c_str());
    ::RemoveDirectoryW(alone.c_str());
    const double waitCpuMs = MeasureWaitForTheUser(neverAsks, 3 * runs + 3, idleSeconds);
    const Stats nWith = Summarise(withLibraryMs), nWithout = Summarise(withoutLibraryMs);
    const Stats nNeverAsks = Summarise(neverAsksMs);
    const Stats displayStats = Summarise(displayMs), displayHostStats = Summarise(displayHostMs);
    const double notifRatio = nWith.median / nWithout.median;

    ULONGLONG keshSize = 0, bareSize = 0;
    const std::vector<std::string> keshDlls = ImportedDlls(kesh.path, keshSize);
    const std::vector<std::string> bareDlls = ImportedDlls(bare.path, bareSize);
    auto join = [](const std::vector<std::string>& v) {
        std::string s;
        for (const std::string& d : v) s += (s.empty() ? "" : ", ") + d;
        return s;
    };

    const Stats kVisible = Summarise(kesh.visibleMs), bVisible = Summarise(bare.visibleMs);
    const Stats kExit = Summarise(kesh.exitMs), bExit = Summarise(bare.exitMs);
    const Stats kGone = Summarise(kesh.goneMs), bGone = Summarise(bare.goneMs);
    const Stats cVisible = Summarise(bareCC.visibleMs), cExit = Summarise(bareCC.exitMs);
    const Stats text = Summarise(textMs), screen = Summarise(screenMs);
    const Stats kHandles = Summarise(kesh.handles), bHandles = Summarise(bare.handles);
    const Stats kPrivate = Summarise(kesh.privateMb), bPrivate = Summarise(bare.privateMb);
    const Stats cHandles = Summarise(bareCC.handles), cPrivate = Summarise(bareCC.privateMb);
    const double visibleRatio = kVisible.median / bVisible.median;
    const double exitRatio = kExit.median / bExit.median;
    auto verdict = [](bool ok) { return ok ? "holds" : "MISSED"; };

    std::string table;
    table += Format("Runs: %d of each program (min / median / max), %zu response runs, %lu s idle. The yardstick "
                    "with common controls 6 is the bare dialog plus the update window's manifest and "
                    "InitCommonControlsEx, which KeshUI.exe must have.\n\n", runs, text.count, idleSeconds);
    table += "| measure | KeshUI.exe | bare dialog | ratio | target | |\n|---|---|---|---|---|---|\n";
    table += Format("| start to window visible | %s | %s | %.2f | <= 1.10 | %s |\n", Triple(kVisible, "ms").c_str(),
                    Triple(bVisible, "ms").c_str(), visibleRatio, verdict(visibleRatio <= 1.10));
    table += Format("| start to window visible, yardstick with common controls 6 | %s | %s | %.2f | | |\n",
                    Triple(kVisible, "ms").c_str(), Triple(cVisible, "ms").c_str(), kVisible.median / cVisible.median);
    table += Format("| Escape to process exit | %s | %s | %.2f | <= 1.10 | %s |\n", Triple(kExit, "ms").c_str(),
                    Triple(bExit, "ms").c_str(), exitRatio, verdict(exitRatio <= 1.10));
    table += Format("| Escape to process exit, yardstick with common controls 6 | %s | %s | %.2f | | |\n",
                    Triple(kExit, "ms").c_str(), Triple(cExit, "ms").c_str(), kExit.median / cExit.median);
    table += Format("| Escape to window gone (what the user sees) | %s | %s | %.2f | | |\n", Triple(kGone, "ms").c_str(),
                    Triple(bGone, "ms").c_str(), kGone.median / bGone.median);
    table += Format("| notification mode, start to window visible, with ToastHost.dll and its host / without | %s | %s | %.2f | <= 1.10 | %s |\n",
                    Triple(nWith, "ms").c_str(), Triple(nWithout, "ms").c_str(), notifRatio, verdict(notifRatio <= 1.10));
    table += Format("| notification mode, start to window visible, the user's state asked / never asked | %s | %s | %.2f | <= 1.00 | %s |\n",
                    Triple(nWith, "ms").c_str(), Triple(nNeverAsks, "ms").c_str(), nWith.median / nNeverAsks.median,
                    verdict(nWith.median <= nNeverAsks.median));
    table += Format("| CPU while notification mode waits %lu s for a busy user | %.1f ms | - | - | <= 10 ms | %s |\n",
                    idleSeconds, waitCpuMs, verdict(waitCpuMs >= 0 && waitCpuMs <= 10));
    table += Format("| DisplayToastNotification, in the calling process (balloon under Wine) | %s (p99 %.1f) | - | - | - | |\n",
                    Triple(displayStats, "ms").c_str(), displayStats.p99);
    table += Format("| DisplayToastNotification, impersonating (ToastHost.exe starts once the thread is idle) | %s (p99 %.1f) | - | - | - | |\n",
                    Triple(displayHostStats, "ms").c_str(), displayHostStats.p99);
    table += Format("| response event to new status on screen | %s (p99 %.1f) | - | - | median <= 5, p99 <= 20 ms | %s |\n",
                    Triple(screen, "ms").c_str(), screen.p99, verdict(screen.median <= 5 && screen.p99 <= 20));
    table += Format("| response event to status text set | %s (p99 %.1f) | - | - | - | |\n", Triple(text, "ms").c_str(),
                    text.p99);
    table += Format("| CPU while waiting %lu s for no answer (Wine counts CPU time in 10 ms ticks) | %.1f ms | %.1f ms (idle) | - | <= 10 ms | %s |\n",
                    idleSeconds, kesh.idleCpuMs, bare.idleCpuMs, verdict(kesh.idleCpuMs >= 0 && kesh.idleCpuMs <= 10));
    table += Format("| handles at the end of a run | %.0f / %.0f / %.0f | %.0f / %.0f / %.0f | %.2f | - | |\n",
                    kHandles.min, kHandles.median, kHandles.max, bHandles.min, bHandles.median, bHandles.max,
                    kHandles.median / bHandles.median);
    table += Format("| handles, yardstick with common controls 6 | %.0f | %.0f | %.2f | | |\n", kHandles.median,
                    cHandles.median, kHandles.median / cHandles.median);
    table += Format("| private memory at the end of a run | %s | %s | %.2f | - | |\n", Triple(kPrivate, "MB").c_str(),
                    Triple(bPrivate, "MB").c_str(), kPrivate.median / bPrivate.median);
    table += Format("| private memory, yardstick with common controls 6 | %.1f MB | %.1f MB | %.2f | | |\n",
                    kPrivate.median, cPrivate.median, kPrivate.median / cPrivate.median);
    table += Format("| size of the executable | %.1f KB | %.1f KB | - | <= 350 KB | %s |\n", keshSize / 1024.0,
                    bareSize / 1024.0, verdict(keshSize <= 350 * 1024));
    table += Format("| imported DLLs | %s | %s | - | only DLLs every Windows has | %s |\n", join(keshDlls).c_str(),
                    join(bareDlls).c_str(), verdict(EveryWindowsHasThem(keshDlls)));

    std::fwrite(table.data(), 1, table.size(), stdout);
    if (!out.empty()) {
        const HANDLE file = ::CreateFileW(out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(file, table.data(), static_cast<DWORD>(table.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    return 0;
}
