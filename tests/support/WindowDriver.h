#pragma once
// Running the update window modally while another thread acts on it as a user would, and what
// the window was told meanwhile.

#include "framework/CDialogEx.h"

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace kesh_test {

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

}  // namespace kesh_test
