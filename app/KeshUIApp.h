#pragma once
// The application: one instance machine-wide, the run mode, the notification gate, the update
// window run modally, and the record of the response shown.

#include "framework/CWinApp.h"

// Lies in the global namespace so that a start from any session finds it.
inline constexpr wchar_t kSingleInstanceMutexName[] = L"Global\\Brenlo KeshUI.exe";

class CKeshUIApp : public CWinApp {
public:
    CKeshUIApp();

    // The whole life of the program; always FALSE, so the process ends when it returns.
    BOOL InitInstance() override;

    bool m_bNotifMode = false;         // set once by "/NotifMode"; never cleared
    bool m_bUpdateAvailable = false;   // while true, the window's status line is a link
    CString m_strServerResponse;       // last LastSrvrRespWL read: empty, or the update page
};

// The one application object, which the update window reads and updates.
CKeshUIApp& KeshUIApp();
