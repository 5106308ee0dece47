// ToastHost.dll: announces a message to the user at the console, as a Windows toast where the
// platform has them, and as a notification-area balloon otherwise. Called from one thread (the
// caller's window thread), in the order Init, GetVisibility, DisplayToastNotification, UnInit.

#include "toasthost/BalloonChannel.h"
#include "toasthost/ToastChannel.h"
#include "toasthost/Visibility.h"
#include "toasthost/WinRtRuntime.h"

#include <shellapi.h>

#include <memory>
#include <new>

namespace {

HINSTANCE g_module = nullptr;

// Everything Init prepares and UnInit takes down again.
struct HostState {
    toasthost::WinRtRuntime runtime;
    toasthost::ToastChannel toast{ runtime };
    toasthost::BalloonChannel balloon;
    bool toastRuntime = false;

    ~HostState()
    {
        // The toast's objects go before the runtime that made them.
        toast.Hide();
        balloon.Close();
        runtime.Stop();
    }
};

std::unique_ptr<HostState> g_state;

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
    auto state = std::unique_ptr<HostState>(new (std::nothrow) HostState);
    if (!state) return 0;
    state->toastRuntime = state->runtime.Start() && state->toast.RuntimeExists();
    if (!state->toastRuntime) state->runtime.Stop();
    // The balloon's window also stands by where toasts exist, for when the platform refuses one.
    const bool balloon = state->balloon.Prepare(g_module);
    if (!state->toastRuntime && !balloon) return 0;
    g_state = std::move(state);
    return 1;
}

extern "C" void WINAPI UnInit()
{
    g_state.reset();
}

extern "C" int WINAPI GetVisibility(int* first, int* second, LONGLONG* third)
{
    if (!g_state || !first || !second || !third) return 0;
    QUERY_USER_NOTIFICATION_STATE state = {};
    if (FAILED(::SHQueryUserNotificationState(&state))) return 0;
    const toasthost::ChannelChoice choice = toasthost::ChooseChannels(
        state, g_state->toastRuntime,
        g_state->balloon.Prepared() && toasthost::BalloonChannel::NotificationAreaExists());
    *first = choice.toast ? 1 : 0;
    *second = choice.balloon ? 1 : 0;
    *third = static_cast<LONGLONG>(state);
    return 1;
}

extern "C" void WINAPI DisplayToastNotification(LPCWSTR title, LPCWSTR text, LPCWSTR appUserModelId, HWND owner)
{
    if (!g_state || !title || !text) return;
    if (g_state->toastRuntime) {
        const auto outcome = g_state->toast.Show(title, text, appUserModelId, owner);
        // The user's "off" is final: the balloon must not get around it.
        if (outcome != toasthost::ToastChannel::Outcome::Refused) return;
    }
    g_state->balloon.Show(owner, title, text);
}
