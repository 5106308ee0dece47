#pragma once
// The toast library's doubles, and the stand-in for the platform's toast classes (Wine has none),
// with the platform's part of a click on a toast.

#include <windows.h>

#include <string>
#include <vector>

namespace kesh_test {

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

// Plays the platform on Windows 10 when the user clicks a toast: creates the toasts' activator
// (from a process that registered it, or through its local server) and calls Activate; or,
// without `call`, lets go of it again without a call, as on no click at all.
HRESULT ClickThroughTheActivator(bool call = true);

}  // namespace kesh_test
