#include "app/KeshUIApp.h"

#include "app/RunMode.h"
#include "app/SecondStart.h"
#include "app/UpdateSettings.h"
#include "app/WaitForTheUser.h"
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

// The notification gate: true when the service's answer is one not announced before.
bool AnswerIsNew(CString& serverResponse)
{
    serverResponse = ReadUpdateSetting(kServerResponseValueName);
    if (serverResponse.IsEmpty()) return false;  // nothing to announce
    return !(serverResponse == ReadUpdateSetting(kLastShownResponseValueName));  // or already announced
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
    const SessionIdentityApi& api = CurrentSessionIdentity();
    bool heldByAnotherInstance = false;
    ScopedHandle instanceLock = CreateSingleInstanceLock(heldByAnotherInstance);
    // The user asked for the program: the window they have comes forward, also a notification
    // that waits for them with the lock let go. The service's second announcement takes nothing
    // from whatever the user is doing.
    const bool askedForward = !IsNotifModeCommandLine(m_lpCmdLine) && AskTheRunningProgramForward(instanceLock);
    if (heldByAnotherInstance || askedForward) return FALSE;
    SecondStarts secondStart(api);

    if (IsNotifModeCommandLine(m_lpCmdLine)) {
        m_bNotifMode = true;
        if (!AnswerIsNew(m_strServerResponse)) return FALSE;
        m_bUpdateAvailable = true;
    }

    // As LocalSystem, who may call in is settled before anything can marshal: the questions to the
    // shell below, the window's accessible objects and the toast library come later.
    const ProcessComSecurity comSecurity(api);

    UserWait wait;
    if (m_bNotifMode) {
        // Not over a slide show, a film or a game, nor to a locked screen: the announcement waits
        // for the user, recording nothing meanwhile. What the service has answered by then is
        // what is announced, if anything still is. (Interactive mode does not wait: the user asked.)
        wait = WaitUntilTheUserCanBeNotified(api, secondStart.Event(), instanceLock);
        if (wait.waited) {
            // The lock was let go meanwhile: another instance may run now, or have announced.
            instanceLock = CreateSingleInstanceLock(heldByAnotherInstance);
            if (heldByAnotherInstance || !AnswerIsNew(m_strServerResponse)) {
                m_bUpdateAvailable = false;
                return FALSE;
            }
        }
    }

    INITCOMMONCONTROLSEX commonControls = { sizeof(commonControls), ICC_WIN95_CLASSES };
    ::InitCommonControlsEx(&commonControls);

    CWinApp::InitInstance();  // restart registration; its result does not matter here

    // The platform framework would make its Windows visual manager the default here; it draws
    // nothing of this window (plain static controls, no caption), so there is nothing to set.

    CKeshUIDlg dlg;
    dlg.AnswerSecondStarts(&secondStart, wait.secondStart);
    m_pMainWnd = &dlg;
    const INT_PTR result = dlg.DoModal();
    m_pMainWnd = nullptr;

    if ((result == IDOK || result == IDCANCEL) && m_bNotifMode) {
        WriteLastShownResponse(m_strServerResponse);  // a failed write only means a repeat next time
    }
    return FALSE;
}
