// The yardstick: the least a Win32 dialog program of the update window's template size does. It
// shows the dialog and ends on Escape. With "/exit" it ends at once (the cost of a bare start).
// Built a second time with WITH_COMMON_CONTROLS: then it also carries the update window's
// manifest (common controls 6) and initialises the common controls as KeshUI.exe must, which
// shows what those platform pieces cost by themselves.

#include <windows.h>
#ifdef WITH_COMMON_CONTROLS
#include <commctrl.h>
#endif

namespace {
INT_PTR CALLBACK BareDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(window, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int)
{
    if (lstrcmpW(commandLine, L"/exit") == 0) return 0;
#ifdef WITH_COMMON_CONTROLS
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_WIN95_CLASSES };
    ::InitCommonControlsEx(&controls);
#endif
    return static_cast<int>(::DialogBoxParamW(instance, MAKEINTRESOURCEW(1), nullptr, &BareDialogProc, 0) == IDCANCEL ? 0 : 1);
}
