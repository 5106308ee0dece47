#pragma once
// A dialog run modally by the platform's dialog manager, with a message map for its handlers.

#include "CWnd.h"
#include "MessageMap.h"

class CDialogEx : public CWnd {
public:
    explicit CDialogEx(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialogEx() override = default;

    // Runs the dialog until EndDialog; returns its value, or -1 when the window cannot be created.
    virtual INT_PTR DoModal();
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int nResult);

    // Sees each message of the modal loop for the dialog or its controls before the dialog
    // manager does (its Tab, Escape and Enter handling); TRUE when the dialog handled it itself.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // Leaves the message being handled to the dialog manager's default processing.
    void Default() { m_bDefaultRequested = true; }

    afx_msg void OnPaint() { Default(); }
    afx_msg BOOL OnSetCursor(HWND hWndUnder, UINT nHitTest, UINT message);

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MessageFilterProc(int code, WPARAM wParam, LPARAM lParam);
    INT_PTR DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam);
    const AFX_MSGMAP_ENTRY* FindEntry(UINT message, UINT code, UINT id) const;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bDefaultRequested = false;
};
