// ToastHost.dll's entry points (ToastHostExports.h): announces a message to the user of the
// calling program, as a Windows toast where the platform has them and as a notification-area
// balloon otherwise.
//
// Called while impersonating a user (a program running as the service's account, acting for
// the session's user), it hands the announcement to ToastHost.exe, started as that user
// (HostLauncher): the platform refuses toasts to the service's account, and nothing may be
// loaded into this process on the user's behalf. Called as itself, it announces in this process.

#include "toasthost/Announcer.h"
#include "toasthost/HostLauncher.h"
#include "toasthost/IdleAction.h"
#include "toasthost/ToastClick.h"
#include "toasthost/ToastHostExports.h"
#include "win32/Token.h"

#include <functional>
#include <memory>
#include <new>

namespace {

HINSTANCE g_module = nullptr;

// Everything Init prepares and UnInit takes down again.
struct LibraryState {
    toasthost::Announcer announcer;
    toasthost::HostLauncher host;
    toasthost::IdleAction idle;
    bool hostPossible = false;

    ~LibraryState()
    {
        idle.Cancel();
        host.Stop();
        announcer.Stop();
    }
};

std::unique_ptr<LibraryState> g_state;

// The user the calling thread acts for: its impersonation token, or null when it runs as the
// process itself.
ScopedHandle ImpersonatedUser()
{
    return OpenCallingThreadToken(TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_IMPERSONATE);
}

void LaunchHost(void* host)
{
    static_cast<toasthost::HostLauncher*>(host)->Launch();
}

HICON OwnerIcon(HWND owner, WPARAM which)
{
    DWORD_PTR icon = 0;
    if (!owner || !::SendMessageTimeoutW(owner, WM_GETICON, which, 0, SMTO_ABORTIFHUNG, 1000, &icon)) return nullptr;
    return reinterpret_cast<HICON>(icon);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = module;
        ::DisableThreadLibraryCalls(module);
    }
    return TRUE;
}

extern "C" int WINAPI Init()
{
    if (g_state) return 1;
    auto state = std::unique_ptr<LibraryState>(new (std::nothrow) LibraryState);
    if (!state || !state->announcer.Prepare(g_module)) return 0;
    state->hostPossible = state->host.Prepare(g_module);
    g_state = std::move(state);
    return 1;
}

extern "C" void WINAPI UnInit()
{
    g_state.reset();
}

extern "C" int WINAPI GetVisibility(int* toastMayShow, int* balloonMayShow, LONGLONG* userState)
{
    if (!g_state || !toastMayShow || !balloonMayShow || !userState) return 0;
    // Asked while impersonating, the user's state would be the service's own: then the host,
    // running as the user, asks it there and shows nothing when the user does not want it now.
    const bool askTheUser = !ImpersonatedUser();
    QUERY_USER_NOTIFICATION_STATE state = {};
    const toasthost::ChannelChoice choice = g_state->announcer.Choose(state, askTheUser);
    *toastMayShow = choice.toast ? 1 : 0;
    *balloonMayShow = choice.balloon ? 1 : 0;
    *userState = askTheUser ? static_cast<LONGLONG>(state) : 0;
    return 1;
}

extern "C" void WINAPI DisplayToastNotification(LPCWSTR title, LPCWSTR text, LPCWSTR appUserModelId, HWND owner)
{
    if (!g_state || !title || !text) return;
    toasthost::Announcement announcement;
    announcement.title = title;
    announcement.text = text;
    announcement.appId = appUserModelId ? appUserModelId : L"";
    announcement.largeIcon = OwnerIcon(owner, ICON_BIG);
    announcement.smallIcon = OwnerIcon(owner, ICON_SMALL);
    if (!announcement.smallIcon) announcement.smallIcon = OwnerIcon(owner, ICON_SMALL2);
    announcement.onClick = toasthost::BringForwardOnClick(owner);

    const ScopedHandle user = ImpersonatedUser();
    if (!user) {
        g_state->announcer.Announce(announcement);
        return;
    }
    // Without a host: the balloon at least, which loads nothing and runs nothing on the user's
    // behalf (though, from this process, its click cannot reach the window).
    const std::function<void()> balloon = g_state->announcer.ArmBalloon(announcement);
    if (!g_state->hostPossible || !g_state->host.Take(user.get(), announcement, owner, balloon)) {
        balloon();
        return;
    }
    // The host starts once the caller's thread is idle, its window shown and painted: starting a
    // process costs as much as showing the window does, and the window is what the user is to
    // see first.
    if (!g_state->idle.Request(&LaunchHost, &g_state->host)) g_state->host.Launch();
}
