#include "CWinApp.h"
#include "win32/DllSearch.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int)
{
    // Before anything is loaded on demand.
    RestrictDllSearchToSystemFolder(FindSetDefaultDllDirectories());
    CWinApp* app = AfxGetApp();
    if (!app) return 0;
    app->m_hInstance = hInstance;
    app->m_lpCmdLine = AfxCommandLineArguments(::GetCommandLineW());
    // InitInstance runs the whole program; it returns FALSE, so no message loop follows.
    app->InitInstance();
    return 0;
}
