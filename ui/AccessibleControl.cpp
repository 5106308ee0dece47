#include "ui/AccessibleControl.h"

#include "ui/AccessibilityIds.h"
#include "ui/WindowTexts.h"

#include <new>
#include <string>
#include <utility>

namespace {

BSTR AllocText(const std::wstring& text)
{
    return ::SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
}

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

CAccessibleControl* CAccessibleControl::Create(HWND control, Kind kind, bool (*isLink)())
{
    ComPtr<IAccessible> standard;
    if (FAILED(::CreateStdAccessibleObject(control, OBJID_CLIENT, kIID_IAccessible, standard.receiveVoid())) ||
        !standard) {
        return nullptr;
    }
    return new (std::nothrow) CAccessibleControl(control, kind, isLink, std::move(standard));
}

CAccessibleControl::CAccessibleControl(HWND control, Kind kind, bool (*isLink)(), ComPtr<IAccessible> standard)
    : CountedObject(kIID_IAccessible, IID_IDispatch), m_hControl(control), m_kind(kind), m_pfnIsLink(isLink),
      m_pStandard(std::move(standard))
{
}

HRESULT CAccessibleControl::QueryInterface(REFIID iid, void** object)
{
    if (!object || !IsEqualIID(iid, kIID_IAccIdentity)) return CountedObject::QueryInterface(iid, object);
    *object = static_cast<IAccIdentity*>(this);
    AddRef();
    return S_OK;
}

HRESULT CAccessibleControl::get_accName(VARIANT child, BSTR* name)
{
    if (!IsSelf(child)) return m_pStandard->get_accName(child, name);
    if (!name) return E_POINTER;
    *name = nullptr;
    if (m_kind == Kind::Decoration) return S_FALSE;  // decorative: nothing to read
    *name = AllocText(m_kind == Kind::CloseMark ? std::wstring(kAccessibleCloseName) : WindowText(m_hControl));
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT CAccessibleControl::get_accRole(VARIANT child, VARIANT* role)
{
    if (!IsSelf(child)) return m_pStandard->get_accRole(child, role);
    if (!role) return E_POINTER;
    ::VariantInit(role);
    role->vt = VT_I4;
    switch (m_kind) {
    case Kind::CloseMark: role->lVal = ROLE_SYSTEM_PUSHBUTTON; break;
    case Kind::Decoration: role->lVal = ROLE_SYSTEM_GRAPHIC; break;
    case Kind::StatusLine: role->lVal = IsLinkNow() ? ROLE_SYSTEM_LINK : ROLE_SYSTEM_STATICTEXT; break;
    case Kind::Alert: role->lVal = ROLE_SYSTEM_ALERT; break;
    }
    return S_OK;
}

HRESULT CAccessibleControl::get_accState(VARIANT child, VARIANT* state)
{
    const HRESULT result = m_pStandard->get_accState(child, state);
    if (FAILED(result) || !IsSelf(child) || !state || state->vt != VT_I4) return result;
    if (IsLinkNow()) state->lVal |= STATE_SYSTEM_LINKED;
    // To be told now, but nothing is at stake: the level a reader learns from the state.
    if (m_kind == Kind::Alert) state->lVal |= STATE_SYSTEM_ALERT_MEDIUM;
    // The window moves the keyboard focus between the link and the close mark itself.
    if (HasAction()) state->lVal |= STATE_SYSTEM_FOCUSABLE;
    if (HasAction() && ::GetFocus() == m_hControl) state->lVal |= STATE_SYSTEM_FOCUSED;
    return result;
}

HRESULT CAccessibleControl::get_accDefaultAction(VARIANT child, BSTR* action)
{
    if (!IsSelf(child)) return m_pStandard->get_accDefaultAction(child, action);
    if (!action) return E_POINTER;
    *action = nullptr;
    if (!HasAction()) return S_FALSE;  // plain text: nothing to do
    *action = ::SysAllocString(m_kind == Kind::CloseMark ? kAccessiblePressAction : kAccessibleOpenAction);
    return *action ? S_OK : E_OUTOFMEMORY;
}

HRESULT CAccessibleControl::accDoDefaultAction(VARIANT child)
{
    if (!IsSelf(child)) return m_pStandard->accDoDefaultAction(child);
    if (!HasAction()) return DISP_E_MEMBERNOTFOUND;
    // Exactly what a click sends, posted: the handler then runs from the window's own loop, not
    // inside this call from another process.
    const HWND dialog = ::GetParent(m_hControl);
    const int id = ::GetDlgCtrlID(m_hControl);
    return ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(m_hControl))
               ? S_OK
               : E_FAIL;
}

HRESULT CAccessibleControl::GetIdentityString(DWORD child, BYTE** identity, DWORD* length)
{
    const ComPtr<IAccIdentity> standardIdentity = m_pStandard.as<IAccIdentity>(kIID_IAccIdentity);
    return standardIdentity ? standardIdentity->GetIdentityString(child, identity, length) : E_NOTIMPL;
}

// ---- the rest, as the standard object answers it -------------------------------------------

HRESULT CAccessibleControl::GetTypeInfoCount(UINT* count) { return m_pStandard->GetTypeInfoCount(count); }
HRESULT CAccessibleControl::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info)
{
    return m_pStandard->GetTypeInfo(index, locale, info);
}
HRESULT CAccessibleControl::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids)
{
    return m_pStandard->GetIDsOfNames(iid, names, count, locale, ids);
}
HRESULT CAccessibleControl::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError)
{
    return m_pStandard->Invoke(id, iid, locale, flags, params, result, exception, argumentError);
}
HRESULT CAccessibleControl::get_accParent(IDispatch** parent) { return m_pStandard->get_accParent(parent); }
HRESULT CAccessibleControl::get_accChildCount(LONG* count) { return m_pStandard->get_accChildCount(count); }
HRESULT CAccessibleControl::get_accChild(VARIANT child, IDispatch** dispatch)
{
    return m_pStandard->get_accChild(child, dispatch);
}
HRESULT CAccessibleControl::get_accValue(VARIANT child, BSTR* value) { return m_pStandard->get_accValue(child, value); }
HRESULT CAccessibleControl::get_accDescription(VARIANT child, BSTR* description)
{
    return m_pStandard->get_accDescription(child, description);
}
HRESULT CAccessibleControl::get_accHelp(VARIANT child, BSTR* help) { return m_pStandard->get_accHelp(child, help); }
HRESULT CAccessibleControl::get_accHelpTopic(BSTR* helpFile, VARIANT child, LONG* topic)
{
    return m_pStandard->get_accHelpTopic(helpFile, child, topic);
}
HRESULT CAccessibleControl::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    return m_pStandard->get_accKeyboardShortcut(child, shortcut);
}
HRESULT CAccessibleControl::get_accFocus(VARIANT* child) { return m_pStandard->get_accFocus(child); }
HRESULT CAccessibleControl::get_accSelection(VARIANT* children) { return m_pStandard->get_accSelection(children); }
HRESULT CAccessibleControl::accSelect(LONG flags, VARIANT child) { return m_pStandard->accSelect(flags, child); }
HRESULT CAccessibleControl::accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child)
{
    return m_pStandard->accLocation(left, top, width, height, child);
}
HRESULT CAccessibleControl::accNavigate(LONG direction, VARIANT start, VARIANT* end)
{
    return m_pStandard->accNavigate(direction, start, end);
}
HRESULT CAccessibleControl::accHitTest(LONG left, LONG top, VARIANT* child)
{
    return m_pStandard->accHitTest(left, top, child);
}
HRESULT CAccessibleControl::put_accName(VARIANT child, BSTR name) { return m_pStandard->put_accName(child, name); }
HRESULT CAccessibleControl::put_accValue(VARIANT child, BSTR value) { return m_pStandard->put_accValue(child, value); }
