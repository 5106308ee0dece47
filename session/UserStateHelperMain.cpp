// KeshUIUserState.exe: started by KeshUI.exe, while it runs as LocalSystem, as the user of its
// session, to answer whether that user can take in an announcement now (SessionUserReadiness):
// presentation settings, quiet time and Do Not Disturb are read as the user they belong to. It
// answers each question the program asks, and ends when the program says so or ends.

#include "session/UserReadiness.h"
#include "win32/DllSearch.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR lpCmdLine, int)
{
    RestrictDllSearchToSystemFolder(FindSetDefaultDllDirectories());
    UserStateChannel channel = {};
    if (!ParseUserStateHelperArguments(lpCmdLine, channel)) return 0;
    const ScopedHandle ask(channel.ask);
    const ScopedHandle answered(channel.answered);
    const ScopedHandle slots(channel.slots);
    const ScopedHandle program(channel.program);
    const ScopedView view(::MapViewOfFile(slots.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 2 * sizeof(LONG)));
    if (!view) return 0;
    auto* shared = static_cast<volatile LONG*>(view.get());
    const HANDLE questions[] = { ask.get(), program.get() };
    while (::WaitForMultipleObjects(2, questions, FALSE, INFINITE) == WAIT_OBJECT_0 && shared[0] == kAskNow) {
        shared[1] = static_cast<LONG>(ReadinessOfThisProcessUser(CurrentUserState()));
        ::SetEvent(answered.get());
    }
    return 0;
}
