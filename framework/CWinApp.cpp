#include "CWinApp.h"

#include <objbase.h>

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp()
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this) g_pApp = nullptr;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

HINSTANCE AfxGetResourceHandle()
{
    return ::GetModuleHandleW(nullptr);
}

BOOL CWinApp::InitInstance()
{
    if (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_SUPPORT_RESTART) {
        GUID id = {};
        ::CoCreateGuid(&id);
        m_strRestartIdentifier = AfxFormatRestartIdentifier(id);
        // No recovery callback: restart support only. The result is not looked at.
        ::RegisterApplicationRestart(AfxRestartCommandLine(m_lpCmdLine, m_strRestartIdentifier), 0);
    }
    return TRUE;
}

LPCWSTR AfxCommandLineArguments(LPCWSTR pszCommandLine)
{
    LPCWSTR p = pszCommandLine ? pszCommandLine : L"";
    bool inQuotes = false;
    while (*p > L' ' || (*p != L'\0' && inQuotes)) {
        if (*p == L'"') inQuotes = !inQuotes;
        ++p;
    }
    while (*p != L'\0' && *p <= L' ') ++p;
    return p;
}

CString AfxFormatRestartIdentifier(const GUID& id)
{
    CString text;
    text.Format(L"%08lX-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X", id.Data1, id.Data2, id.Data3,
                id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5],
                id.Data4[6], id.Data4[7]);
    return text;
}

CString AfxRestartCommandLine(LPCWSTR pszCmdLine, const CString& restartIdentifier)
{
    CString commandLine(pszCmdLine);
    commandLine += L" /";
    commandLine += L"RestartByRestartManager";
    commandLine += L":";
    commandLine += restartIdentifier;
    return commandLine;
}
