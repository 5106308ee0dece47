#pragma once
// What assistive technology sees of the update window's controls: the status line (a link while
// it is one), the close mark (a button named "Close"), the icon (a picture without a name, so
// that nothing reads the resource reference a static icon keeps as its text), and the pop-up's
// announcement (an alert carrying the status line's text). Each is the platform's
// standard object for the control with the role, name and default action changed; performing
// the default action posts the same notification a click sends, so it runs the same handler.

#include "win32/ComPtr.h"
#include "win32/CountedObject.h"

#include <windows.h>
#include <oleacc.h>

class CAccessibleControl final : public CountedObject<IAccessible>, public IAccIdentity {
public:
    enum class Kind { StatusLine, CloseMark, Decoration, Alert };

    // The standard object for `control`, wrapped; null when the platform has none to give.
    static CAccessibleControl* Create(HWND control, Kind kind, bool (*isLink)());

    // IUnknown, one for both interfaces
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return CountedObject::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return CountedObject::Release(); }
    // IDispatch, as the standard object answers it
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;
    // IAccessible: what differs from the standard object
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    // IAccessible: as the standard object answers it
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** dispatch) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* helpFile, VARIANT child, LONG* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override;
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;
    // IAccIdentity: the standard object's, so that annotations of the control apply to this one
    HRESULT STDMETHODCALLTYPE GetIdentityString(DWORD child, BYTE** identity, DWORD* length) override;

private:
    CAccessibleControl(HWND control, Kind kind, bool (*isLink)(), ComPtr<IAccessible> standard);
    ~CAccessibleControl() override = default;
    bool IsSelf(const VARIANT& child) const { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }
    bool IsLinkNow() const { return m_kind == Kind::StatusLine && m_pfnIsLink(); }
    bool HasAction() const { return m_kind == Kind::CloseMark || IsLinkNow(); }

    const HWND m_hControl;
    const Kind m_kind;
    bool (*const m_pfnIsLink)();
    const ComPtr<IAccessible> m_pStandard;
};
