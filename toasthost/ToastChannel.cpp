#include "toasthost/ToastChannel.h"

#include "toasthost/AppIdentity.h"
#include "toasthost/BalloonChannel.h"
#include "toasthost/ToastXml.h"

#include <atomic>
#include <new>
#include <string>

namespace toasthost {

namespace {

// Calls through a proxy carry the thread's identity at the time of each call (the console user
// while the caller impersonates), not the process's: without this the platform sees the
// service's account, and refuses it. An object in this process has no proxy to set: harmless.
void CloakCalls(IUnknown* proxy)
{
    ::CoSetProxyBlanket(proxy, RPC_C_AUTHN_DEFAULT, RPC_C_AUTHZ_DEFAULT, COLE_DEFAULT_PRINCIPAL,
                        RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_DYNAMIC_CLOAKING);
}

// The click handler. Agile: the platform may call it on any thread.
class ActivatedHandler final : public IToastActivatedHandler {
public:
    explicit ActivatedHandler(HWND owner) : m_owner(owner) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kIID_ToastActivatedHandler) ||
            IsEqualIID(iid, kIID_IAgileObject)) {
            *object = static_cast<IToastActivatedHandler*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Invoke(IToastNotification*, IInspectable*) override
    {
        BringOwnerToFront(m_owner);
        return S_OK;
    }

private:
    ~ActivatedHandler() = default;
    std::atomic<ULONG> m_references{ 1 };
    const HWND m_owner;
};

// The platform may release the handler after the library has been unloaded; its code must stay.
void KeepLibraryLoaded()
{
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                         reinterpret_cast<LPCWSTR>(&KeepLibraryLoaded), &self);
}

}  // namespace

bool ToastChannel::RuntimeExists() const
{
    ComPtr<IToastNotificationManagerStatics> statics;
    return SUCCEEDED(m_runtime.GetActivationFactory(kToastNotificationManagerClass,
                                                    kIID_IToastNotificationManagerStatics, statics.receiveVoid()));
}

ToastChannel::Outcome ToastChannel::Show(const wchar_t* title, const wchar_t* text, const wchar_t* appId, HWND owner)
{
    Hide();  // one announcement at a time
    if (!IsUsableAppId(appId)) return Outcome::Refused;
    RegisterAppIdentity(appId, title, owner);

    ComPtr<IToastNotificationManagerStatics> statics;
    if (FAILED(m_runtime.GetActivationFactory(kToastNotificationManagerClass, kIID_IToastNotificationManagerStatics,
                                              statics.receiveVoid()))) {
        return Outcome::Refused;
    }
    CloakCalls(statics.get());
    ComPtr<IToastNotifier> notifier;
    {
        const WinRtRuntime::HString id(m_runtime, appId);
        if (!id.get() || FAILED(statics->CreateToastNotifierWithId(id.get(), notifier.receive())) || !notifier) {
            return Outcome::Refused;
        }
    }
    CloakCalls(notifier.get());

    // The user's choice for this program, read as the user. An unregistered desktop program may
    // get no answer at all; then the platform decides when it is asked to show.
    NotificationSetting setting = NotificationSetting::Enabled;
    if (SUCCEEDED(notifier->get_Setting(&setting))) {
        switch (setting) {
        case NotificationSetting::Enabled: break;
        case NotificationSetting::DisabledByManifest: return Outcome::Refused;
        case NotificationSetting::DisabledForApplication:
        case NotificationSetting::DisabledForUser:
        case NotificationSetting::DisabledByGroupPolicy:
        default: return Outcome::TurnedOffByUser;
        }
    }

    ComPtr<IInspectable> document;
    if (FAILED(m_runtime.ActivateInstance(kXmlDocumentClass, document.receive()))) return Outcome::Refused;
    const ComPtr<IXmlDocumentIO> loader = document.as<IXmlDocumentIO>(kIID_IXmlDocumentIO);
    const ComPtr<IInspectable> content = document.as<IInspectable>(kIID_IXmlDocument);
    if (!loader || !content) return Outcome::Refused;
    {
        const std::wstring xml = ToastXml(title, text);
        const WinRtRuntime::HString xmlText(m_runtime, xml.c_str());
        if (!xmlText.get() || FAILED(loader->LoadXml(xmlText.get()))) return Outcome::Refused;
    }

    ComPtr<IToastNotificationFactory> factory;
    ComPtr<IToastNotification> toast;
    if (FAILED(m_runtime.GetActivationFactory(kToastNotificationClass, kIID_IToastNotificationFactory,
                                              factory.receiveVoid())) ||
        FAILED(factory->CreateToastNotification(content.get(), toast.receive())) || !toast) {
        return Outcome::Refused;
    }

    auto* handler = new (std::nothrow) ActivatedHandler(owner);
    EventToken token = {};
    const bool activatedAdded = handler && SUCCEEDED(toast->add_Activated(handler, &token));
    if (handler) handler->Release();  // the toast holds it now, if it took it
    if (activatedAdded) KeepLibraryLoaded();

    // E_ACCESSDENIED here is the platform refusing the caller (the service's account, or an
    // elevated process whose calls were not cloaked as the user).
    if (FAILED(notifier->Show(toast.get()))) {
        if (activatedAdded) toast->remove_Activated(token);
        return Outcome::Refused;
    }
    m_notifier = std::move(notifier);
    m_toast = std::move(toast);
    m_activatedToken = token;
    m_activatedAdded = activatedAdded;
    return Outcome::Shown;
}

void ToastChannel::Hide()
{
    if (m_notifier && m_toast) m_notifier->Hide(m_toast.get());
    if (m_toast && m_activatedAdded) m_toast->remove_Activated(m_activatedToken);
    m_activatedAdded = false;
    m_toast.reset();
    m_notifier.reset();
}

}  // namespace toasthost
