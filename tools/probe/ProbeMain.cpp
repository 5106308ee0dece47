// Command-line face of the probe, for scripts and for looking at a running KeshUI.exe by hand.
//
//   KeshProbe.exe wait [MS]            wait for the update window; print its outer rectangle
//   KeshProbe.exe text ID              print the text of control ID (1010 title, 1011 status)
//   KeshProbe.exe status-settled [MS]  wait until the status line no longer says "Checking ..."
//                                      (or shows no placeholder), then print it
//   KeshProbe.exe click ID             click the centre of control ID with the real mouse
//   KeshProbe.exe key esc|enter        press a key in the update window
//   KeshProbe.exe gone [MS]            wait until the update window has closed
//   KeshProbe.exe balloon [MS]         wait for a notification-area balloon of the shell, then
//                                      print its rectangle and text
//   KeshProbe.exe hold [READY_FILE]    keep a hidden window open until killed (keeps Wine's
//                                      desktop process alive between test programs); once the
//                                      window exists, create READY_FILE
// Exit code 0 on success, 1 when the window or the wanted state did not come in time.

#include "Probe.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <cwchar>
#include <string>

namespace {

constexpr DWORD kDefaultTimeoutMs = 20000;

void PrintLine(const std::wstring& text)
{
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                            0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0], bytes, nullptr,
                          nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

DWORD TimeoutArg(int argc, wchar_t** argv, int index)
{
    return argc > index ? std::wcstoul(argv[index], nullptr, 10) : kDefaultTimeoutMs;
}

int Hold(const wchar_t* readyFile)
{
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"KeshProbe hold", WS_POPUP, 0, 0, 1, 1, nullptr,
                                          nullptr, nullptr, nullptr);
    // The desktop process is up once our window exists: the caller may start its programs now
    // without racing Wine's desktop start-up.
    if (window && readyFile) {
        const HANDLE ready = ::CreateFileW(readyFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (ready != INVALID_HANDLE_VALUE) ::CloseHandle(ready);
    }
    MSG message;
    while (window && ::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
    return 0;
}

}  // namespace

int Balloon(DWORD timeoutMs)
{
    std::vector<HWND> balloons;
    if (!probe::WaitUntil([&] { return !(balloons = probe::ShellBalloons()).empty(); }, timeoutMs)) return 1;
    const RECT r = probe::WindowRect(balloons.front());
    PrintLine(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right) + L" " +
              std::to_wstring(r.bottom) + L" " + probe::WindowText(balloons.front()));
    return 0;
}

int wmain(int argc, wchar_t** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);  // texts are printed as they are, "\r\n" included
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"hold") return Hold(argc > 2 ? argv[2] : nullptr);
    if (command == L"balloon") return Balloon(TimeoutArg(argc, argv, 2));

    const DWORD timeoutMs = (command == L"wait" || command == L"gone" || command == L"status-settled")
                                ? TimeoutArg(argc, argv, 2)
                                : kDefaultTimeoutMs;
    const HWND window = probe::WaitForUpdateWindow(command == L"gone" ? 0 : timeoutMs);
    if (command == L"gone") return (!window || probe::WaitForWindowGone(window, timeoutMs)) ? 0 : 1;
    if (!window) return 1;

    if (command == L"wait") {
        const RECT r = probe::WindowRect(window);
        PrintLine(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right) +
                  L" " + std::to_wstring(r.bottom));
        return 0;
    }
    if (command == L"text" && argc > 2) {
        PrintLine(probe::ControlText(window, std::wcstol(argv[2], nullptr, 10)));
        return 0;
    }
    if (command == L"status-settled") {
        const int status = 1011;
        const bool settled = probe::WaitUntil([&] {
            const std::wstring text = probe::ControlText(window, status);
            return text.rfind(L"Checking", 0) != 0 && text.rfind(L"[ Status", 0) != 0;
        }, timeoutMs);
        PrintLine(probe::ControlText(window, status));
        return settled ? 0 : 1;
    }
    if (command == L"click" && argc > 2) {
        probe::ClickControl(window, std::wcstol(argv[2], nullptr, 10));
        return 0;
    }
    if (command == L"key" && argc > 2) {
        const std::wstring key = argv[2];
        if (!probe::Activate(window)) return 1;
        probe::PressKey(key == L"enter" ? VK_RETURN : VK_ESCAPE);
        return 0;
    }
    std::fwprintf(stderr, L"usage: KeshProbe.exe wait|text ID|status-settled|click ID|key esc|enter|gone|hold\n");
    return 2;
}
