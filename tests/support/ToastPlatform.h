#pragma once
// The stand-in for the platform's toast classes (Wine has none).

#include <windows.h>

#include <string>
#include <vector>

namespace kesh_test {

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
