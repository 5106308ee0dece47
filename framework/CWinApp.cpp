#include "CWinApp.h"

#include <ntsecapi.h>

namespace {

CWinApp* g_pApp = nullptr;

// A version-4 (random) identifier, as CoCreateGuid makes them, without loading COM at every start
// for it: the random bytes come from the system's generator in advapi32, which is loaded anyway.
GUID NewRandomGuid()
{
    GUID id = {};
    ::RtlGenRandom(&id, sizeof(id));
    id.Data3 = static_cast<unsigned short>((id.Data3 & 0x0FFF) | 0x4000);       // version 4
    id.Data4[0] = static_cast<unsigned char>((id.Data4[0] & 0x3F) | 0x80);      // RFC 4122 variant
    return id;
}

}  // namespace

CWinApp::CWinApp() : m_pPreviousApp(g_pApp)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    // A second application object in one process (a test's second start) gives the first back.
    if (g_pApp == this) g_pApp = m_pPreviousApp;
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
        const GUID id = NewRandomGuid();
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
