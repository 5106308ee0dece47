#pragma once
// The application object: constructed once as a static object; wWinMain calls its InitInstance
// with the command line and ends the process when it returns.

#include "CString.h"
#include "CWnd.h"

#define AFX_RESTART_MANAGER_SUPPORT_RESTART 0x01

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The base registers the process for restart when m_dwRestartManagerSupportFlags asks for it.
    virtual BOOL InitInstance();

    HINSTANCE m_hInstance = nullptr;
    LPCWSTR m_lpCmdLine = L"";  // the command line after the program's name
    CWnd* m_pMainWnd = nullptr;
    DWORD m_dwRestartManagerSupportFlags = 0;
    CString m_strRestartIdentifier;

    // The application's help command is never routed (there is no message loop), so the
    // application object carries no message map.

private:
    CWinApp* m_pPreviousApp;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();

// The text after the program's name in a full command line, as the C run-time hands it to
// WinMain: the name ends at the first blank outside double quotes, then blanks are skipped.
LPCWSTR AfxCommandLineArguments(LPCWSTR pszCommandLine);

// "%08lX-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X" of the identifier.
CString AfxFormatRestartIdentifier(const GUID& id);

// The command line registered for a restart: the process's own arguments, then the switch
// that names this run.
CString AfxRestartCommandLine(LPCWSTR pszCmdLine, const CString& restartIdentifier);
