#include "CallRecorders.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <mutex>

namespace kesh_test {

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

}  // namespace kesh_test
