#include "session/NotifWrapper.h"

#include "framework/CWinApp.h"
#include "session/SessionIdentity.h"
#include "win32/Module.h"

namespace {

// Windows 8 (6.2) brought the toasts the library raises.
bool PlatformHasToasts()
{
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
#ifdef _MSC_VER
#pragma warning(suppress : 4996)  // the deprecation is about version lies, which are fine here
#endif
    ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version));  // a failure leaves 0.0
    return version.dwMajorVersion > 6 || (version.dwMajorVersion == 6 && version.dwMinorVersion >= 2);
}

}  // namespace

CNotifWrapper::CNotifWrapper()
{
    if (!PlatformHasToasts()) return;

    // Only the program's own folder and the system folder: the program may run with the
    // service's rights, and a library planted in the current folder or on PATH must never load.
    m_hModule.reset(::LoadLibraryExW(kToastLibraryFileName, nullptr,
                                     LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!m_hModule) return;

    m_pfnInit = LookUp<PFN_Init>(m_hModule.get(), toasthost::kInitExport);
    m_pfnUnInit = LookUp<PFN_UnInit>(m_hModule.get(), toasthost::kUnInitExport);
    m_pfnDisplayToastNotification =
        LookUp<PFN_DisplayToastNotification>(m_hModule.get(), toasthost::kDisplayToastNotificationExport);
    m_pfnGetVisibility = LookUp<PFN_GetVisibility>(m_hModule.get(), toasthost::kGetVisibilityExport);
    if (!m_pfnInit || !m_pfnUnInit || !m_pfnDisplayToastNotification || !m_pfnGetVisibility) {
        Unload();
        return;
    }
    if (m_pfnInit() == 0) Unload();  // not ready: UnInit is never called
}

CNotifWrapper::~CNotifWrapper()
{
    if (m_hModule) {
        m_pfnUnInit();
        Unload();
    }
}

void CNotifWrapper::Unload()
{
    m_hModule.reset();
    m_pfnInit = nullptr;
    m_pfnUnInit = nullptr;
    m_pfnDisplayToastNotification = nullptr;
    m_pfnGetVisibility = nullptr;
}

void CNotifWrapper::ShowToast()
{
    if (!m_hModule) return;

    // The library looks at the notification settings of the user of this session, so it runs as
    // that user when possible, and in the program's own context otherwise.
    const ActingAsSessionUser asUser(CurrentSessionIdentity());

    int first = 0;
    int second = 0;
    LONGLONG third = 0;
    if (m_pfnGetVisibility(&first, &second, &third) != 0 && (first != 0 || second != 0)) {
        const CWinApp* app = AfxGetApp();
        const HWND owner = (app && app->m_pMainWnd) ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
        m_pfnDisplayToastNotification(kWindowTitle, kToastText, kAppUserModelId, owner);
    }
}
