// The check handshake: the request event is set, a waiter thread waits for the service's
// response event and reports to the window, which reads the answer on its own thread.

#include "service/UpdateCheckHandshake.h"

#include "app/KeshUIApp.h"
#include "app/UpdateSettings.h"
#include "service/UpdateServiceContract.h"
#include "ui/KeshUIDlg.h"
#include "ui/WindowTexts.h"

#include <process.h>

void CKeshUIDlg::StartUpdateCheck()
{
    const ScopedHandle request(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kCheckForUpdateEventName));
    if (!request) {
        SetStatusText(kStatusNoConnection);  // the service is not running
        return;
    }
    SetStatusText(kStatusChecking);

    m_hResponseEvent.reset(::OpenEventW(SYNCHRONIZE, FALSE, kServerResponseEventName));
    if (m_hResponseEvent) {
        m_hStopEvent.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        // Without a stop event a waiter could not be stopped early; then none is started and
        // the window keeps the checking text, as when the response event is missing.
        if (m_hStopEvent) {
            m_hWaitThread.reset(reinterpret_cast<HANDLE>(
                ::_beginthreadex(nullptr, 0, &CKeshUIDlg::ResponseWaiterProc, this, 0, nullptr)));
        }
    }

    // The waiter already runs, so an answer cannot slip past it.
    ::SetEvent(request.get());
}

unsigned __stdcall CKeshUIDlg::ResponseWaiterProc(void* pDialog)
{
    const auto* dialog = static_cast<const CKeshUIDlg*>(pDialog);
    // Stop first: when both are signalled, the stop wins.
    const HANDLE handles[] = { dialog->m_hStopEvent.get(), dialog->m_hResponseEvent.get() };
    const DWORD waited = ::WaitForMultipleObjects(2, handles, FALSE, dialog->m_dwResponseTimeoutMs);
    if (waited == WAIT_OBJECT_0 + 1) {
        ::PostMessageW(dialog->m_hWnd, WM_SERVER_RESPONSE, 1, 0);
    } else if (waited == WAIT_TIMEOUT) {
        ::PostMessageW(dialog->m_hWnd, WM_SERVER_RESPONSE, 0, 0);
    }
    return 0;
}

LRESULT CKeshUIDlg::OnServerResponse(WPARAM wParam, LPARAM)
{
    if (wParam == 0) {
        SetStatusText(kStatusNoConnection);
        CallUserBackIfAway();
        return 0;
    }
    CKeshUIApp& app = KeshUIApp();
    app.m_strServerResponse = ReadUpdateSetting(kServerResponseValueName);
    app.m_bUpdateAvailable = !app.m_strServerResponse.IsEmpty();
    SetStatusText(app.m_bUpdateAvailable ? kStatusNewerPackage : kStatusLatestVersion);
    CallUserBackIfAway();
    return 0;
}

void CKeshUIDlg::StopResponseWaiter()
{
    // Signal before joining, so the join returns as soon as the waiter wakes.
    if (m_hStopEvent) ::SetEvent(m_hStopEvent.get());
    if (m_hWaitThread) {
        ::WaitForSingleObject(m_hWaitThread.get(), INFINITE);
        m_hWaitThread.reset();
    }
    m_hStopEvent.reset();
    m_hResponseEvent.reset();
}
