#pragma once
// The toast library's doubles, for the adapter's failure rows.

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

}  // namespace kesh_test
