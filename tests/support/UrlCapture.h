#pragma once
// What the registered http/https handler was asked to open.

#include "win32/ScopedHandle.h"

#include <windows.h>

#include <string>
#include <vector>

namespace kesh_test {

// The addresses the registered http/https handler was asked to open, one entry each, with how
// it was started: "inherited" (from the test's environment, i.e. by the shell in this process
// or its child) or "fresh" (a user environment block, i.e. through explorer.exe as the user).
class UrlCapture {
public:
    UrlCapture();   // clears the log and creates the "captured" event
    ~UrlCapture();
    struct Entry {
        std::wstring address;
        std::wstring environment;
    };
    bool WaitForCapture(DWORD timeoutMs) const;
    std::vector<Entry> Entries() const;

private:
    std::wstring m_logPath;
    ScopedHandle m_captured;
};

}  // namespace kesh_test
