#include "toasthost/ToastChannel.h"

#include "toasthost/AppIdentity.h"
#include "win32/CountedObject.h"
#include "toasthost/ToastXml.h"

#include <new>
#include <string>
#include <utility>

namespace toasthost {

namespace {

// The one toast of the id carries these, so that the notification centre can be asked to forget
// exactly it.
constexpr wchar_t kToastTag[] = L"announcement";
constexpr wchar_t kToastGroup[] = L"update";

// A toast event's handler: runs an action. Agile: the platform may call it on any thread.
class EventHandler final : public CountedObject<IToastEventHandler> {
public:
    EventHandler(const IID& iid, std::function<void()> action)
        : CountedObject(iid, kIID_IAgileObject), m_action(std::move(action))
    {
    }
    HRESULT STDMETHODCALLTYPE Invoke(IToastNotification*, IInspectable*) override
    {
        if (m_action) m_action();
        return S_OK;
    }

private:
    const std::function<void()> m_action;
};

// The platform may release a handler after the library has been unloaded; its code must stay.
void KeepLibraryLoaded()
{
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                         reinterpret_cast<LPCWSTR>(&KeepLibraryLoaded), &self);
}

// Subscribes an action to one of the toast's events; false when the toast would not take it.
template <typename Add>
bool Subscribe(const IID& iid, std::function<void()> action, Add add)
{
    auto* handler = new (std::nothrow) EventHandler(iid, std::move(action));
    if (!handler) return false;
    const bool added = SUCCEEDED(add(handler));
    handler->Release();  // the toast holds it now, if it took it
    if (added) KeepLibraryLoaded();
    return added;
}

void TagAndGroup(const WinRtRuntime& runtime, IToastNotification* toast)
{
    ComPtr<IToastNotification2> tagged;
    if (FAILED(toast->QueryInterface(kIID_IToastNotification2, tagged.receiveVoid())) || !tagged) return;
    const WinRtRuntime::HString tag(runtime, kToastTag);
    const WinRtRuntime::HString group(runtime, kToastGroup);
    if (tag.get()) tagged->put_Tag(tag.get());
    if (group.get()) tagged->put_Group(group.get());
}

// Takes the id's one toast out of the notification centre.
void RemoveTagged(const WinRtRuntime& runtime, IToastNotificationHistory* history, const wchar_t* appId)
{
    const WinRtRuntime::HString tag(runtime, kToastTag);
    const WinRtRuntime::HString group(runtime, kToastGroup);
    const WinRtRuntime::HString id(runtime, appId);
    if (tag.get() && group.get() && id.get()) history->RemoveGroupedTagWithId(tag.get(), group.get(), id.get());
}

// The notification centre's history (Windows 10 and later), or null.
ComPtr<IToastNotificationHistory> History(const ComPtr<IToastNotificationManagerStatics>& statics)
{
    ComPtr<IToastNotificationHistory> history;
    const ComPtr<IToastNotificationManagerStatics2> statics2 =
        statics.as<IToastNotificationManagerStatics2>(kIID_IToastNotificationManagerStatics2);
    if (statics2) statics2->get_History(history.receive());
    return history;
}

}  // namespace

void ToastChannel::RemoveLeftOver(const WinRtRuntime& runtime, const wchar_t* appId)
{
    if (!IsUsableAppId(appId)) return;
    ComPtr<IToastNotificationManagerStatics> statics;
    if (FAILED(runtime.GetActivationFactory(kToastNotificationManagerClass, kIID_IToastNotificationManagerStatics,
                                            statics.receiveVoid()))) {
        return;
    }
    const ComPtr<IToastNotificationHistory> history = History(statics);
    if (history) RemoveTagged(runtime, history.get(), appId);
}

bool ToastChannel::RuntimeExists() const
{
    ComPtr<IToastNotificationManagerStatics> statics;
    return SUCCEEDED(m_runtime.GetActivationFactory(kToastNotificationManagerClass,
                                                    kIID_IToastNotificationManagerStatics, statics.receiveVoid()));
}

ToastChannel::Outcome ToastChannel::Show(const Announcement& announcement, std::function<void()> onFailed)
{
    Withdraw();  // one announcement at a time
    const wchar_t* appId = announcement.appId.c_str();

    ComPtr<IToastNotificationManagerStatics> statics;
    if (FAILED(m_runtime.GetActivationFactory(kToastNotificationManagerClass, kIID_IToastNotificationManagerStatics,
                                              statics.receiveVoid()))) {
        return Outcome::Refused;
    }
    ComPtr<IToastNotifier> notifier;
    {
        const WinRtRuntime::HString id(m_runtime, appId);
        if (!id.get() || FAILED(statics->CreateToastNotifierWithId(id.get(), notifier.receive())) || !notifier) {
            return Outcome::Refused;
        }
    }

    // The user's choice for this program. An unregistered desktop program may get no answer at
    // all; then the platform decides when it is asked to show.
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
        const std::wstring xml = ToastXml(announcement.title.c_str(), announcement.text.c_str());
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
    TagAndGroup(m_runtime, toast.get());

    EventToken activated = {};
    EventToken failed = {};
    const bool activatedAdded = announcement.onClick &&
                                Subscribe(kIID_ToastActivatedHandler, announcement.onClick,
                                          [&](IToastEventHandler* h) { return toast->add_Activated(h, &activated); });
    const bool failedAdded = Subscribe(kIID_ToastFailedHandler, std::move(onFailed),
                                       [&](IToastEventHandler* h) { return toast->add_Failed(h, &failed); });

    // E_ACCESSDENIED here is the platform refusing the caller (the service's account).
    if (FAILED(notifier->Show(toast.get()))) {
        if (activatedAdded) toast->remove_Activated(activated);
        if (failedAdded) toast->remove_Failed(failed);
        return Outcome::Refused;
    }
    m_history = History(statics);
    m_notifier = std::move(notifier);
    m_toast = std::move(toast);
    m_appId = appId;
    m_activatedToken = activated;
    m_failedToken = failed;
    m_activatedAdded = activatedAdded;
    m_failedAdded = failedAdded;
    return Outcome::Shown;
}

void ToastChannel::Withdraw()
{
    if (m_notifier && m_toast) m_notifier->Hide(m_toast.get());
    // Hide takes it off the screen only; the notification centre would keep it.
    if (m_history) RemoveTagged(m_runtime, m_history.get(), m_appId.c_str());
    if (m_toast && m_activatedAdded) m_toast->remove_Activated(m_activatedToken);
    if (m_toast && m_failedAdded) m_toast->remove_Failed(m_failedToken);
    m_activatedAdded = m_failedAdded = false;
    m_history.reset();
    m_toast.reset();
    m_notifier.reset();
    m_appId.clear();
}

}  // namespace toasthost
