#pragma once
// The adapter around the product's toast library: decides once whether a toast can be used
// (platform 6.2 or later, library present, complete and ready), raises one toast for the user of
// the program's session, and releases the library when destroyed. A toast is optional: whenever
// it cannot be raised, nothing happens and nothing is reported.

#include "product/ProductIdentity.h"
#include "toasthost/ToastHostExports.h"
#include "win32/ScopedHandle.h"

class CNotifWrapper {
public:
    using PFN_Init = toasthost::PFN_Init;
    using PFN_UnInit = toasthost::PFN_UnInit;
    using PFN_DisplayToastNotification = toasthost::PFN_DisplayToastNotification;
    using PFN_GetVisibility = toasthost::PFN_GetVisibility;

    // Loads and prepares the library, all or nothing.
    CNotifWrapper();
    // UnInit and unload, when loaded.
    virtual ~CNotifWrapper();
    CNotifWrapper(const CNotifWrapper&) = delete;
    CNotifWrapper& operator=(const CNotifWrapper&) = delete;

    // Raises the toast when the library reports that notifications are visible.
    void ShowToast();

    // Either all five are set and Init returned non-zero, or all five are null.
    ScopedModule m_hModule;
    PFN_Init m_pfnInit = nullptr;
    PFN_UnInit m_pfnUnInit = nullptr;
    PFN_DisplayToastNotification m_pfnDisplayToastNotification = nullptr;
    PFN_GetVisibility m_pfnGetVisibility = nullptr;

private:
    void Unload();
};
