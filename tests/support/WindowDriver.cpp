#include "WindowDriver.h"

#include "Probe.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace kesh_test {

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

}  // namespace kesh_test
