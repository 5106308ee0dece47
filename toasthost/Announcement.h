#pragma once
// What one announcement says and does, whichever channel carries it and whichever process
// raises it.

#include <windows.h>

#include <functional>
#include <string>

namespace toasthost {

struct Announcement {
    std::wstring title;
    std::wstring text;
    std::wstring appId;
    HICON largeIcon = nullptr;  // the program's picture, shown where a channel has room for one
    HICON smallIcon = nullptr;
    // What a click on the toast or the balloon does; may run on any thread.
    std::function<void()> onClick;
};

}  // namespace toasthost
