#include "CDialogEx.h"

#include "CWinApp.h"

#include <utility>


namespace {

// Messages whose result a dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLOR:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return true;
    default:
        return false;
    }
}

// The dialog whose modal loop runs on this thread now (the program runs one at a time).
CDialogEx* g_pModalDialog = nullptr;

}  // namespace

CDialogEx::CDialogEx(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

const AFX_MSGMAP* CDialogEx::GetThisMessageMap()
{
    typedef CDialogEx ThisClass;
    static const AFX_MSGMAP_ENTRY entries[] = {
        ON_COMMAND(IDOK, &CDialogEx::OnOK)
        ON_COMMAND(IDCANCEL, &CDialogEx::OnCancel)
        { 0, 0, 0, nullptr }
    };
    static const AFX_MSGMAP messageMap = { nullptr, entries };
    return &messageMap;
}

const AFX_MSGMAP* CDialogEx::GetMessageMap() const
{
    return GetThisMessageMap();
}

INT_PTR CDialogEx::DoModal()
{
    const HWND hWndParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    // The dialog manager offers each message of its modal loop to this thread's message filter
    // before handling it: that is where PreTranslateMessage is called from.
    CDialogEx* const previous = std::exchange(g_pModalDialog, this);
    const HHOOK filter = ::SetWindowsHookExW(WH_MSGFILTER, &CDialogEx::MessageFilterProc, nullptr, ::GetCurrentThreadId());
    const INT_PTR result = ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), hWndParent,
                                             &CDialogEx::DialogProc, reinterpret_cast<LPARAM>(this));
    if (filter) ::UnhookWindowsHookEx(filter);
    g_pModalDialog = previous;
    return result;
}

BOOL CDialogEx::PreTranslateMessage(MSG*)
{
    return FALSE;
}

LRESULT CALLBACK CDialogEx::MessageFilterProc(int code, WPARAM wParam, LPARAM lParam)
{
    auto* message = reinterpret_cast<MSG*>(lParam);
    CDialogEx* const dialog = g_pModalDialog;
    if (code == MSGF_DIALOGBOX && dialog && dialog->m_hWnd &&
        (message->hwnd == dialog->m_hWnd || ::IsChild(dialog->m_hWnd, message->hwnd)) &&
        dialog->PreTranslateMessage(message)) {
        return TRUE;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CDialogEx::OnInitDialog()
{
    // The platform framework would run DLGINIT data and data exchange here; this program has
    // neither, so there is nothing to do. TRUE lets the dialog manager set the focus.
    return TRUE;
}

void CDialogEx::OnOK()
{
    EndDialog(IDOK);
}

void CDialogEx::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialogEx::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialogEx::OnSetCursor(HWND, UINT, UINT)
{
    Default();
    return FALSE;
}

INT_PTR CALLBACK CDialogEx::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialogEx*>(lParam);
        ::SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        dialog->m_hWnd = hWnd;
        return dialog->OnInitDialog();
    }

    auto* dialog = reinterpret_cast<CDialogEx*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    if (!dialog) return FALSE;  // messages before WM_INITDIALOG take the default processing

    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
        dialog->m_hWnd = nullptr;
        return FALSE;
    }
    return dialog->DispatchMessageMap(message, wParam, lParam);
}

const AFX_MSGMAP_ENTRY* CDialogEx::FindEntry(UINT message, UINT code, UINT id) const
{
    for (const AFX_MSGMAP* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfnThunk; ++entry) {
            if (entry->nMessage != message) continue;
            if (message == WM_COMMAND && (entry->nCode != code || entry->nID != id)) continue;
            return entry;
        }
    }
    return nullptr;
}

INT_PTR CDialogEx::DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam)
{
    UINT mapMessage = message;
    UINT code = 0;
    UINT id = 0;
    if (message == WM_COMMAND) {
        code = HIWORD(wParam);
        id = LOWORD(wParam);
    } else if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        mapMessage = WM_CTLCOLOR;
    }

    const AFX_MSGMAP_ENTRY* entry = FindEntry(mapMessage, code, id);
    if (!entry) return FALSE;

    m_bDefaultRequested = false;
    const LRESULT result = entry->pfnThunk(*this, message, wParam, lParam);
    if (m_bDefaultRequested) return FALSE;
    if (ReturnsResultDirectly(mapMessage)) return static_cast<INT_PTR>(result);
    // The window may already be gone when a handler ended the dialog and it was destroyed.
    if (m_hWnd) ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}
