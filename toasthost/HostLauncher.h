#pragma once
// ToastHost.dll's launcher of ToastHost.exe, the host process it starts when it is called while
// impersonating a user: a process running as that user raises the announcement. The platform refuses toasts to the service's
// account, and the user's shell cannot report a click to a window of a process above its own
// integrity level; a process of the user's own can do both.

#include "win32/ProcessStart.h"
#include "win32/ScopedHandle.h"
#include "toasthost/Announcement.h"
#include "toasthost/ToastClick.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace toasthost {

class HostLauncher {
public:
    HostLauncher() = default;
    ~HostLauncher() { Stop(); }
    HostLauncher(const HostLauncher&) = delete;
    HostLauncher& operator=(const HostLauncher&) = delete;

    // Finds the host beside `library` and loads, from the system folder, what starting it needs:
    // called before anyone is impersonated, so that nothing is loaded on a user's behalf.
    bool Prepare(HMODULE library);

    // Takes what starting the host as the user of `userToken` (the calling thread's impersonation
    // token) needs: a primary copy of the token. The calling thread is left exactly as it was.
    // A click on the announcement will bring `owner` to the front; `onFailure` runs when the
    // host cannot be started.
    bool Take(HANDLE userToken, const Announcement& announcement, HWND owner, std::function<void()> onFailure);
    // Starts the host taken, on that user's desktop with that user's environment, from a thread
    // of this library that runs as the process itself: process creation is judged by the
    // creator's own privileges, and whoever calls this does not wait for it.
    void Launch();

    // Asks the host to withdraw the announcement and waits, briefly, for it to end.
    void Stop();

private:
    bool StartAsUser(HANDLE primaryToken, const Announcement& announcement);

    using PFN_CreateEnvironmentBlock = BOOL(WINAPI*)(LPVOID*, HANDLE, BOOL);
    using PFN_DestroyEnvironmentBlock = EnvironmentBlock::PFN_Destroy;

    std::wstring m_hostPath;
    std::wstring m_folder;
    ScopedModule m_userenv;
    PFN_CreateEnvironmentBlock m_pfnCreateEnvironmentBlock = nullptr;
    PFN_DestroyEnvironmentBlock m_pfnDestroyEnvironmentBlock = nullptr;

    struct Taken {
        ScopedHandle token;
        Announcement announcement;
        std::function<void()> onFailure;
    };
    std::unique_ptr<Taken> m_taken;
    std::thread m_starter;  // owns the members below until joined
    ScopedHandle m_process;
    ScopedHandle m_withdraw;
    ScopedHandle m_clicked;
    ClickListener m_clickListener;
    HWND m_owner = nullptr;
};

}  // namespace toasthost
