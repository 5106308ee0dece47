#pragma once
// What ToastHost.dll hands the host process it starts, as the host's command line: the texts and
// id of the announcement, where to find the program's picture, and the three handles the host
// inherits (the program's process, to notice its end; the event that asks the host to withdraw;
// the event by which the host reports a click).

#include <windows.h>

#include <string>

namespace toasthost {

struct HostRequest {
    std::wstring title;
    std::wstring text;
    std::wstring appId;
    std::wstring programImage;  // the program's executable, whose first icon is the announcement's
    DWORD programId = 0;        // the program's process, which a click lets take the foreground
    HANDLE program = nullptr;   // SYNCHRONIZE
    HANDLE withdraw = nullptr;  // SYNCHRONIZE; signalled when the program closes its window
    HANDLE clicked = nullptr;   // EVENT_MODIFY_STATE; set by the host on a click
};

// The full command line, the host's own path first; every text survives any character but NUL.
std::wstring BuildHostCommandLine(const std::wstring& hostPath, const HostRequest& request);

// Reads back what BuildHostCommandLine wrote; false when anything is missing or malformed.
bool ParseHostCommandLine(const wchar_t* commandLine, HostRequest& request);

}  // namespace toasthost
