// What the update window tells assistive technology: the status line, the close mark and the icon
// answer WM_GETOBJECT with their own accessible objects (a link while the status line is one, a
// button named "Close", a picture without a name), the status line is a polite live region,
// every change of its text after the window is shown is announced, and the pop-up, which appears
// without the keyboard, announces itself as an alert.
// As LocalSystem, whom its objects are handed to is the process's COM security's
// (session/ProcessComSecurity.h).

#include "ui/KeshUIDlg.h"

#include "session/ProcessComSecurity.h"
#include "ui/AccessibilityIds.h"
#include "ui/AccessibleControl.h"
#include "ui/res/resource.h"

#include <commctrl.h>
#include <oleacc.h>

namespace {

// Declared by the headers for Windows 8 and later only; older systems ignore the event.
constexpr DWORD kEventLiveRegionChanged = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED

// UI Automation's LiveSetting property and its "polite" value.
constexpr GUID kLiveSettingProperty = { 0xc12bcd8e, 0x2a8e, 0x4950, { 0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb } };
constexpr LONG kLiveSettingPolite = 1;

// The platform's annotations of accessible objects, or null.
ComPtr<IAccPropServices> AccessibilityAnnotations()
{
    ComPtr<IAccPropServices> services;
    ::CoCreateInstance(kCLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIID_IAccPropServices,
                       services.receiveVoid());
    return services;
}

}  // namespace

void CKeshUIDlg::AnnounceStatusChange()
{
    // The text set while the window is being made is read with the window itself.
    if (!::IsWindowVisible(m_hWnd)) return;
    ::NotifyWinEvent(kEventLiveRegionChanged, GetDlgItem(IDC_STATUS).m_hWnd, OBJID_CLIENT, CHILDID_SELF);
}

void CKeshUIDlg::AnnounceThePopUp()
{
    // Screen readers speak what takes the focus, and the pop-up takes none: an alert is what they
    // speak from a window in the background. Where the window hands out no objects of its own,
    // the alert names the status line itself, whose standard object carries the text.
    const LONG object = OwnComObjectsMayLeaveTheProcess(CurrentSessionIdentity()) ? kAlertObjectId : OBJID_CLIENT;
    ::NotifyWinEvent(EVENT_SYSTEM_ALERT, GetDlgItem(IDC_STATUS).m_hWnd, object, CHILDID_SELF);
}

// The first request of assistive technology readies COM on this thread (the objects are reached
// from other processes through it) and marks the status line as a polite live region.
void CKeshUIDlg::PrepareAccessibility()
{
    if (m_bAccessibilityPrepared) return;
    m_bAccessibilityPrepared = true;
    m_bComInitialisedForAccessibility = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    m_bOwnObjectsAllowed = OwnComObjectsMayLeaveTheProcess(CurrentSessionIdentity());
    const ComPtr<IAccPropServices> services = AccessibilityAnnotations();
    if (services) {
        VARIANT polite;
        ::VariantInit(&polite);
        polite.vt = VT_I4;
        polite.lVal = kLiveSettingPolite;
        m_bLiveSettingAnnotated = SUCCEEDED(services->SetHwndProp(GetDlgItem(IDC_STATUS).m_hWnd, OBJID_CLIENT,
                                                                  CHILDID_SELF, kLiveSettingProperty, polite));
    }
}

void CKeshUIDlg::ReleaseAccessibility(HWND statusControl)
{
    if (!m_bAccessibilityPrepared) return;
    const ComPtr<IAccPropServices> services =
        m_bLiveSettingAnnotated ? AccessibilityAnnotations() : ComPtr<IAccPropServices>();
    if (services) {
        MSAAPROPID property = kLiveSettingProperty;
        services->ClearHwndProps(statusControl, OBJID_CLIENT, CHILDID_SELF, &property, 1);
    }
    if (m_bComInitialisedForAccessibility) ::CoUninitialize();
    m_bAccessibilityPrepared = m_bComInitialisedForAccessibility = m_bLiveSettingAnnotated = m_bOwnObjectsAllowed = false;
}

LRESULT CKeshUIDlg::AnswerGetObject(HWND control, WPARAM wParam, LONG objectId)
{
    PrepareAccessibility();
    if (!m_bOwnObjectsAllowed) return 0;
    const int id = ::GetDlgCtrlID(control);
    const CAccessibleControl::Kind kind = objectId == kAlertObjectId ? CAccessibleControl::Kind::Alert
                                          : id == IDC_STATUS         ? CAccessibleControl::Kind::StatusLine
                                          : id == IDC_CLOSE          ? CAccessibleControl::Kind::CloseMark
                                                                     : CAccessibleControl::Kind::Decoration;
    const ComPtr<IAccessible> object(CAccessibleControl::Create(control, kind, &CKeshUIDlg::StatusLineIsLink));
    return object ? ::LresultFromObject(kIID_IAccessible, wParam, object.get()) : 0;
}
