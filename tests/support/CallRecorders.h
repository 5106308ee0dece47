#pragma once
// Records of the platform calls the product makes that Wine cannot show: the shell asked to open,
// a taskbar button flashed, a right to the foreground handed on.

#include "ImportPatch.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace kesh_test {

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

}  // namespace kesh_test
