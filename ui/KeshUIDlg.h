#pragma once
// The update window: a small modal dialog that shows the outcome of a check (interactive mode)
// or announces a newer package (notification mode), and ends with IDOK through its link or
// with IDCANCEL through its close mark or Escape.

#include "framework/CDialogEx.h"
#include "framework/CFont.h"
#include "win32/ScopedHandle.h"
#include "service/UpdateCheckHandshake.h"
#include "ui/ShownWithoutActivation.h"
#include "win32/Gdi.h"

#include <memory>

class CNotifWrapper;
class SecondStarts;

class CKeshUIDlg : public CDialogEx {
public:
    // The time-out is the service's 60 s; only tests shorten it.
    explicit CKeshUIDlg(DWORD responseTimeoutMs = kServerResponseTimeoutMs);
    ~CKeshUIDlg() override;

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    // The keyboard beyond the dialog manager's Escape and Enter: Tab, Shift+Tab and Space.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    // A second start by the user brings the window forward, and one before it was shown (or one
    // that ended the wait for the user: `pending`) once it is; `secondStarts` outlives the window.
    void AnswerSecondStarts(SecondStarts* secondStarts, bool pending)
    {
        m_pSecondStarts = secondStarts;
        m_bSecondStartPending = pending;
    }

    // The check handshake with the update service.
    void StartUpdateCheck();
    void StopResponseWaiter();
    static unsigned __stdcall ResponseWaiterProc(void* pDialog);

    HICON m_hIcon;                               // shared resource icon, not owned
    CFont m_titleFont;
    std::unique_ptr<CNotifWrapper> m_pNotifier;  // notification mode only
    ScopedHandle m_hWaitThread;
    ScopedHandle m_hResponseEvent;
    ScopedHandle m_hStopEvent;

protected:
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg LRESULT OnNcHitTest(POINT point);
    afx_msg HBRUSH OnCtlColor(HDC hDC, HWND hWnd, UINT nCtlColor);
    afx_msg BOOL OnSetCursor(HWND hWndUnder, UINT nHitTest, UINT message);
    afx_msg void OnCloseClicked();
    afx_msg void OnStatusClicked();
    afx_msg LRESULT OnServerResponse(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnWindowPosChanging(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnWindowPosChanged(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnColoursChanged(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnSettingChange(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnSecondStart(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    // The status line is a link exactly while an update is known (its text says "Click here"):
    // the one place that says so; `IsLink` of a control, whether it is the status line as a link.
    static bool StatusLineIsLink();
    bool IsLink(HWND control) const;

private:
    void SetStatusText(LPCWSTR text);
    // The link's target, as the session's user (notification mode, or always as LocalSystem) or
    // through the shell.
    void OpenUpdatePage(LPCWSTR address, bool notifMode);
    // In interactive mode, when the outcome arrives while the user is elsewhere: the taskbar
    // button flashes until the user comes back.
    void CallUserBackIfAway();

    // The controls' own handling of what the window adds to them: accessible objects, focus cues.
    void SubclassControls();
    static LRESULT CALLBACK ControlProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR subclassId,
                                        DWORD_PTR refData);

    // Assistive technology (KeshUIDlgAccessibility.cpp).
    LRESULT AnswerGetObject(HWND control, WPARAM wParam, LONG objectId);
    void AnnounceStatusChange();
    void AnnounceThePopUp();
    void PrepareAccessibility();
    void ReleaseAccessibility(HWND statusControl);

    // The keyboard (KeshUIDlgKeyboard.cpp).
    bool IsFocusable(HWND control) const;
    void MoveFocus(bool backwards);
    static void DrawFocusCue(HWND control, HRGN painted);

    // Look and placement (KeshUIDlgLook.cpp).
    void CreateTitleFont();
    void TakeAwayTopmost();
    void MoveToWorkAreaCorner();
    void FollowContrastTheme();
    void RestoreCloseMark();

    const DWORD m_dwResponseTimeoutMs;
    ShownWithoutActivation m_keyboardGuard;  // notification mode, until the window is shown
    SecondStarts* m_pSecondStarts = nullptr;
    bool m_bSecondStartPending = false;
    HWND m_hSpacePressedOn = nullptr;     // the control a Space went down on, until it comes up
    bool m_bContrastTheme = false;
    ScopedGdiObject<HBITMAP> m_hCloseMask;  // the close mark for contrast themes
    HBITMAP m_hClosePicture = nullptr;    // the control's own picture while the mask stands in
    bool m_bAccessibilityPrepared = false;
    bool m_bComInitialisedForAccessibility = false;
    bool m_bOwnObjectsAllowed = false;  // the process's COM security lets only whom it should call in
    bool m_bLiveSettingAnnotated = false;
};
