#include "app/KeshUIApp.h"

#include "app/RunMode.h"
#include "app/UpdateSettings.h"
#include "win32/ScopedHandle.h"
#include "service/UpdateServiceContract.h"
#include "session/ProcessComSecurity.h"
#include "ui/KeshUIDlg.h"

#include <commctrl.h>

namespace {

// The single-instance lock, with a null DACL so that any account in any session can open it.
// No handle means the program runs without single-instance protection.
ScopedHandle CreateSingleInstanceLock(bool& heldByAnotherInstance)
{
    SECURITY_DESCRIPTOR descriptor;
    ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes = { sizeof(attributes), &descriptor, FALSE };

    ScopedHandle lock(::CreateMutexW(&attributes, FALSE, kSingleInstanceMutexName));
    heldByAnotherInstance = lock && ::GetLastError() == ERROR_ALREADY_EXISTS;
    return lock;
}

}  // namespace

CKeshUIApp::CKeshUIApp()
{
    m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
}

CKeshUIApp& KeshUIApp()
{
    return *static_cast<CKeshUIApp*>(AfxGetApp());
}

BOOL CKeshUIApp::InitInstance()
{
    bool heldByAnotherInstance = false;
    const ScopedHandle instanceLock = CreateSingleInstanceLock(heldByAnotherInstance);
    if (heldByAnotherInstance) return FALSE;

    if (IsNotifModeCommandLine(m_lpCmdLine)) {
        m_bNotifMode = true;
        m_strServerResponse = ReadUpdateSetting(kServerResponseValueName);
        if (m_strServerResponse.IsEmpty()) return FALSE;  // nothing to announce
        if (m_strServerResponse == ReadUpdateSetting(kLastShownResponseValueName)) {
            return FALSE;  // already announced
        }
        m_bUpdateAvailable = true;
    }

    INITCOMMONCONTROLSEX commonControls = { sizeof(commonControls), ICC_WIN95_CLASSES };
    ::InitCommonControlsEx(&commonControls);

    CWinApp::InitInstance();  // restart registration; its result does not matter here

    // As LocalSystem, who may call in is settled before anything can marshal: the window's
    // accessible objects and the toast library come later.
    const ProcessComSecurity comSecurity(CurrentConsoleSessionApi());

    // The platform framework would make its Windows visual manager the default here; it draws
    // nothing of this window (plain static controls, no caption), so there is nothing to set.

    CKeshUIDlg dlg;
    m_pMainWnd = &dlg;
    const INT_PTR result = dlg.DoModal();
    m_pMainWnd = nullptr;

    if ((result == IDOK || result == IDCANCEL) && m_bNotifMode) {
        WriteLastShownResponse(m_strServerResponse);  // a failed write only means a repeat next time
    }
    return FALSE;
}
