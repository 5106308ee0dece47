#include "Probe.h"

#include <vector>


namespace probe {

namespace {

struct FindContext {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindUpdateWindowProc(HWND window, LPARAM lParam)
{
    auto* context = reinterpret_cast<FindContext*>(lParam);
    if (!::IsWindowVisible(window)) return TRUE;
    if (WindowText(window) != kWindowTitle) return TRUE;
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (context->processId && owner != context->processId) return TRUE;
    context->found = window;
    return FALSE;
}

void SendMouse(DWORD flags, POINT screenPoint)
{
    // Absolute coordinates are normalised to 0..65535 across the primary screen.
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((screenPoint.x * 65535LL + (width - 1) / 2) / (width - 1));
    input.mi.dy = static_cast<LONG>((screenPoint.y * 65535LL + (height - 1) / 2) / (height - 1));
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    ::SendInput(1, &input, sizeof(input));
}

}  // namespace

HWND FindUpdateWindow(DWORD processId)
{
    FindContext context = { processId, nullptr };
    ::EnumWindows(&FindUpdateWindowProc, reinterpret_cast<LPARAM>(&context));
    return context.found;
}

HWND WaitForUpdateWindow(DWORD timeoutMs, DWORD processId)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindUpdateWindow(processId)) != nullptr; }, timeoutMs);
    return found;
}

int CountUpdateWindows()
{
    int count = 0;
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            if (::IsWindowVisible(window) && WindowText(window) == kWindowTitle) ++*reinterpret_cast<int*>(param);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs)
{
    return WaitUntil([&] { return !::IsWindow(window); }, timeoutMs);
}

std::wstring WindowText(HWND window)
{
    // WM_GETTEXT answered by the window's own thread: a reply from another process never blocks
    // us for long, and is what the control really holds.
    std::wstring text(1024, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                               SMTO_ABORTIFHUNG, 2000, &copied)) {
        return std::wstring();
    }
    text.resize(copied);
    return text;
}

std::wstring ControlText(HWND dialog, int id)
{
    return WindowText(::GetDlgItem(dialog, id));
}

bool WaitForControlText(HWND dialog, int id, const std::wstring& expected, DWORD timeoutMs)
{
    return WaitUntil([&] { return ControlText(dialog, id) == expected; }, timeoutMs);
}

std::wstring WaitForControlTextOtherThan(HWND dialog, int id, const std::wstring& current, DWORD timeoutMs)
{
    std::wstring text;
    WaitUntil([&] { return (text = ControlText(dialog, id)) != current; }, timeoutMs);
    return text;
}

RECT WindowRect(HWND window)
{
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    return rect;
}

RECT ControlScreenRect(HWND dialog, int id)
{
    return WindowRect(::GetDlgItem(dialog, id));
}

POINT CentreOf(const RECT& rect)
{
    return POINT{ (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2 };
}

bool Activate(HWND window)
{
    ::SetForegroundWindow(window);
    return WaitUntil([&] { return ::GetForegroundWindow() == window; }, 2000);
}

void MoveMouseTo(POINT screenPoint)
{
    SendMouse(0, screenPoint);
    WaitUntil([&] {
        POINT at = {};
        ::GetCursorPos(&at);
        return at.x == screenPoint.x && at.y == screenPoint.y;
    }, 1000);
}

void ClickAt(POINT screenPoint)
{
    MoveMouseTo(screenPoint);
    SendMouse(MOUSEEVENTF_LEFTDOWN, screenPoint);
    SendMouse(MOUSEEVENTF_LEFTUP, screenPoint);
}

void ClickControl(HWND dialog, int id)
{
    ClickAt(CentreOf(ControlScreenRect(dialog, id)));
}

namespace {
bool InMoveLoop(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) &&
           (info.flags & GUI_INMOVESIZE) != 0;
}
}  // namespace

bool DragWindow(HWND window, POINT from, POINT to)
{
    MoveMouseTo(from);
    SendMouse(MOUSEEVENTF_LEFTDOWN, from);
    const bool moving = WaitUntil([&] { return InMoveLoop(window); }, 2000);
    SendMouse(0, to);
    SendMouse(MOUSEEVENTF_LEFTUP, to);
    return WaitUntil([&] { return !InMoveLoop(window); }, 2000) && moving;
}

void PressMoveRelease(POINT from, POINT to)
{
    MoveMouseTo(from);
    SendMouse(MOUSEEVENTF_LEFTDOWN, from);
    SendMouse(0, to);
    SendMouse(MOUSEEVENTF_LEFTUP, to);
}

void PressKey(WORD virtualKey)
{
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = virtualKey;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, inputs, sizeof(INPUT));
}

void PressKeyWith(WORD modifier, WORD virtualKey)
{
    INPUT inputs[4] = {};
    for (INPUT& input : inputs) input.type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = modifier;
    inputs[1].ki.wVk = virtualKey;
    inputs[2].ki.wVk = virtualKey;
    inputs[2].ki.dwFlags = KEYEVENTF_KEYUP;
    inputs[3].ki.wVk = modifier;
    inputs[3].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(4, inputs, sizeof(INPUT));
}

HWND FocusIn(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

ScreenArea::ScreenArea(const RECT& area)
    : m_area(area), m_width(area.right - area.left), m_height(area.bottom - area.top)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = -m_height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    m_dc = ::CreateCompatibleDC(nullptr);
    m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
    m_old = ::SelectObject(m_dc, m_bitmap);
}

ScreenArea::~ScreenArea()
{
    ::SelectObject(m_dc, m_old);
    ::DeleteObject(m_bitmap);
    ::DeleteDC(m_dc);
}

std::vector<DWORD> ScreenArea::Capture()
{
    const HDC screen = ::GetDC(nullptr);
    ::BitBlt(m_dc, 0, 0, m_width, m_height, screen, m_area.left, m_area.top, SRCCOPY);
    ::ReleaseDC(nullptr, screen);
    ::GdiFlush();
    return std::vector<DWORD>(m_bits, m_bits + static_cast<size_t>(m_width) * m_height);
}

std::vector<COLORREF> ClientPixels(HWND window)
{
    RECT rect = {};
    ::GetClientRect(window, &rect);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    std::vector<COLORREF> pixels;
    for (const DWORD pixel : ScreenArea(rect).Capture()) {
        pixels.push_back(RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
    }
    return pixels;
}

bool FocusRectangleShown(HWND control)
{
    const RECT rect = WindowRect(control);
    const HDC screen = ::GetDC(nullptr);
    int dark = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        const COLORREF pixel = ::GetPixel(screen, rect.left, y);
        if (GetRValue(pixel) < 96 && GetGValue(pixel) < 96 && GetBValue(pixel) < 96) ++dark;
    }
    ::ReleaseDC(nullptr, screen);
    // Every other pixel of the edge, the corners aside.
    return dark >= (rect.bottom - rect.top) / 2 - 1;
}

size_t HandleCountOf(DWORD processId)
{
    struct Entry {  // SYSTEM_HANDLE_TABLE_ENTRY_INFO_EX
        PVOID object;
        ULONG_PTR processId;
        ULONG_PTR handle;
        ULONG access;
        USHORT backTrace, typeIndex;
        ULONG attributes, reserved;
    };
    struct List {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    constexpr ULONG kSystemExtendedHandleInformation = 64;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
    using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    std::vector<BYTE> buffer(1 << 20);
    ULONG needed = 0;
    LONG status;
    while ((status = query(kSystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                           &needed)) == kInfoLengthMismatch) {
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) return 0;
    const auto* list = reinterpret_cast<const List*>(buffer.data());
    size_t count = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i) {
        if (list->entries[i].processId == processId) ++count;
    }
    return count;
}

HCURSOR CurrentCursor()
{
    CURSORINFO info = {};
    info.cbSize = sizeof(info);
    return ::GetCursorInfo(&info) ? info.hCursor : nullptr;
}

HCURSOR SystemCursor(LPCWSTR id)
{
    return ::LoadCursorW(nullptr, id);
}

bool WaitForCursorAt(POINT screenPoint, HCURSOR expected, DWORD timeoutMs)
{
    // A window that appeared under a resting pointer may not have set its cursor yet, and a
    // move to where the pointer already is moves nothing: step beside the point and back, so
    // the window under it always answers a real move.
    MoveMouseTo(POINT{ screenPoint.x + 1, screenPoint.y });
    MoveMouseTo(screenPoint);
    // Wine shows the cursor of the foreground thread, Windows that of the window under the
    // pointer: keep that window in front, so that another one taking the foreground meanwhile
    // (a window of another process appearing) cannot hide its answer.
    const HWND under = ::GetAncestor(::WindowFromPoint(screenPoint), GA_ROOT);
    return WaitUntil([&] {
        if (under && ::GetForegroundWindow() != under) ::SetForegroundWindow(under);
        return CurrentCursor() == expected;
    }, timeoutMs);
}

std::vector<HWND> ShellBalloons()
{
    std::vector<HWND> balloons;
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            wchar_t className[64] = {};
            ::GetClassNameW(window, className, 64);
            DWORD process = 0;
            ::GetWindowThreadProcessId(window, &process);
            if (process != ::GetCurrentProcessId() && ::IsWindowVisible(window) &&
                lstrcmpiW(className, L"tooltips_class32") == 0) {
                reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&balloons));
    return balloons;
}

}  // namespace probe
