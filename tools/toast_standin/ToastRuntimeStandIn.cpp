// A stand-in for the platform's toast classes, which Wine lacks: registered in a test prefix as
// the in-process server of Windows.UI.Notifications.ToastNotificationManager, ...ToastNotification
// and Windows.Data.Xml.Dom.XmlDocument. It records what the library asks of the platform, one
// UTF-16 line per call with the calling process, and answers as the values of
// HKCU\Software\KeshTest\ToastStandIn say (a registry key, since the library's host process
// runs with a fresh environment of the user's own); the notifier's line also names the id's
// registered activator, as the platform would find it. The values:
//   Log         the file the calls are appended to
//   Setting     the notifier's NotificationSetting (a number), or "fail"
//   Show        the HRESULT Show returns (hex, e.g. 80070005), default S_OK
//   Click       "1": the user clicks the toast as soon as it is shown; or the name of an event
//               that makes the user click it each time it is set, until the toast is hidden
//   Fail        "1": the platform reports Failed right after Show returned
// Loaded into ToastHost.exe, it also logs each right to the foreground the host hands on
// ("AllowSetForegroundWindow pid=N"), which Wine has no lock to show, and each property the host
// gives a shell link ("ShellLink SetValue {fmtid} pid vt=N"), which Wine's links do not keep.

#include "product/ProductIdentity.h"
#include "ImportPatch.h"
#include "toasthost/WinRtDeclarations.h"

#include <propsys.h>
#include <shlobj.h>

#include <atomic>
#include <cwchar>
#include <string>
#include <thread>

using namespace toasthost;

namespace {

// {5C0A3C8E-7D0B-4E3B-9C55-2D4B2F0C9A11}: how the stand-in's toast factory finds its own document.
constexpr IID kIID_StandInDocument = { 0x5c0a3c8e, 0x7d0b, 0x4e3b, { 0x9c, 0x55, 0x2d, 0x4b, 0x2f, 0x0c, 0x9a, 0x11 } };

std::wstring Setting(const wchar_t* name)
{
    wchar_t value[512] = {};
    DWORD bytes = sizeof(value);
    if (::RegGetValueW(HKEY_CURRENT_USER, L"Software\\KeshTest\\ToastStandIn", name, RRF_RT_REG_SZ, nullptr, value,
                       &bytes) != ERROR_SUCCESS) {
        return std::wstring();
    }
    return value;
}

std::wstring ThisProcess()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    const wchar_t* name = std::wcsrchr(path, L'\\');
    return std::wstring(L" process=") + (name ? name + 1 : path) + L" pid=" + std::to_wstring(::GetCurrentProcessId());
}

void Log(const std::wstring& line)
{
    const std::wstring path = Setting(L"Log");
    if (path.empty()) return;
    HANDLE token = nullptr;
    const bool impersonating = ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token) != FALSE;
    if (token) ::CloseHandle(token);
    const std::wstring text = line + L" impersonating=" + (impersonating ? L"1" : L"0") + ThisProcess() + L"\r\n";
    const HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, text.c_str(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    ::CloseHandle(file);
}

using PFN_WindowsGetStringRawBuffer = PCWSTR(WINAPI*)(HSTRING, UINT32*);

std::wstring Text(HSTRING string)
{
    static const auto getRaw = reinterpret_cast<PFN_WindowsGetStringRawBuffer>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"combase.dll"), "WindowsGetStringRawBuffer")));
    UINT32 length = 0;
    const PCWSTR raw = getRaw ? getRaw(string, &length) : nullptr;
    return raw ? std::wstring(raw, length) : std::wstring();
}

// IUnknown and IInspectable for one object answering the interfaces it lists.
template <typename Derived, typename Primary>
class Object : public Primary {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = static_cast<Derived*>(this)->Find(iid);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetIids(ULONG* count, IID** iids) override
    {
        *count = 0;
        *iids = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRuntimeClassName(HSTRING* name) override
    {
        *name = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTrustLevel(TrustLevel* level) override
    {
        *level = BaseTrust;
        return S_OK;
    }
    virtual ~Object() = default;

protected:
    bool IsBase(REFIID iid) const { return IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kIID_IInspectable); }

private:
    std::atomic<ULONG> m_references{ 1 };
};

// An object that answers a second interface too; both share the first one's IUnknown and
// IInspectable.
template <typename Derived, typename Primary, typename Secondary>
class TwoInterfaces : public Object<Derived, Primary>, public Secondary {
    using Base = Object<Derived, Primary>;

public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override { return Base::QueryInterface(iid, object); }
    ULONG STDMETHODCALLTYPE AddRef() override { return Base::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return Base::Release(); }
    HRESULT STDMETHODCALLTYPE GetIids(ULONG* count, IID** iids) override { return Base::GetIids(count, iids); }
    HRESULT STDMETHODCALLTYPE GetRuntimeClassName(HSTRING* name) override { return Base::GetRuntimeClassName(name); }
    HRESULT STDMETHODCALLTYPE GetTrustLevel(TrustLevel* level) override { return Base::GetTrustLevel(level); }
};

class XmlDocument final : public Object<XmlDocument, IXmlDocumentIO> {
public:
    void* Find(REFIID iid)
    {
        if (IsBase(iid) || IsEqualIID(iid, kIID_IXmlDocumentIO) || IsEqualIID(iid, kIID_IXmlDocument) ||
            IsEqualIID(iid, kIID_StandInDocument)) {
            return static_cast<IXmlDocumentIO*>(this);
        }
        return nullptr;
    }
    HRESULT STDMETHODCALLTYPE LoadXml(HSTRING xml) override
    {
        m_xml = Text(xml);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LoadXmlWithSettings(HSTRING, IInspectable*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SaveToFileAsync(IInspectable*, IInspectable**) override { return E_NOTIMPL; }
    std::wstring m_xml;
};

class Toast final : public TwoInterfaces<Toast, IToastNotification, IToastNotification2> {
public:
    explicit Toast(std::wstring xml) : m_xml(std::move(xml)) {}
    ~Toast() override
    {
        for (IToastEventHandler* handler : { m_activated, m_failed }) {
            if (handler) handler->Release();
        }
    }
    void* Find(REFIID iid)
    {
        if (IsBase(iid) || IsEqualIID(iid, kIID_IToastNotification)) return static_cast<IToastNotification*>(this);
        if (IsEqualIID(iid, kIID_IToastNotification2)) return static_cast<IToastNotification2*>(this);
        return nullptr;
    }
    HRESULT STDMETHODCALLTYPE get_Content(IInspectable**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ExpirationTime(IInspectable*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ExpirationTime(IInspectable**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE add_Dismissed(IUnknown*, EventToken*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE remove_Dismissed(EventToken) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE add_Activated(IToastEventHandler* handler, EventToken* token) override
    {
        return Add(L"add_Activated", kIID_ToastActivatedHandler, handler, m_activated, token);
    }
    HRESULT STDMETHODCALLTYPE remove_Activated(EventToken token) override
    {
        return Remove(L"remove_Activated", m_activated, token);
    }
    HRESULT STDMETHODCALLTYPE add_Failed(IToastEventHandler* handler, EventToken* token) override
    {
        return Add(L"add_Failed", kIID_ToastFailedHandler, handler, m_failed, token);
    }
    HRESULT STDMETHODCALLTYPE remove_Failed(EventToken token) override { return Remove(L"remove_Failed", m_failed, token); }

    HRESULT STDMETHODCALLTYPE put_Tag(HSTRING value) override
    {
        Log(L"put_Tag " + Text(value));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Tag(HSTRING*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Group(HSTRING value) override
    {
        Log(L"put_Group " + Text(value));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Group(HSTRING*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_SuppressPopup(boolean) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SuppressPopup(boolean*) override { return E_NOTIMPL; }

    // The platform reports an event on a thread of its own: at once, or each time `trigger` is
    // set until the toast is hidden.
    void Raise(bool failed, const std::wstring& trigger)
    {
        IToastEventHandler* handler = failed ? m_failed : m_activated;
        if (!handler) return;
        handler->AddRef();
        AddRef();
        std::thread([this, handler, trigger, failed] {
            const HANDLE event = trigger.empty() ? nullptr : ::OpenEventW(SYNCHRONIZE, FALSE, trigger.c_str());
            do {
                if (event && (::WaitForSingleObject(event, 30000) != WAIT_OBJECT_0 || m_hidden)) break;
                handler->Invoke(this, nullptr);
                Log(failed ? L"Failed raised" : L"Activated raised");
            } while (event);
            if (event) ::CloseHandle(event);
            handler->Release();
            Release();
        }).detach();
    }
    std::wstring m_xml;
    std::atomic<bool> m_hidden{ false };

private:
    HRESULT Add(const wchar_t* what, const IID& iid, IToastEventHandler* handler, IToastEventHandler*& slot,
                EventToken* token)
    {
        if (slot) slot->Release();
        slot = nullptr;
        handler->QueryInterface(iid, reinterpret_cast<void**>(&slot));
        token->value = &slot == &m_activated ? 7 : 8;
        Log(std::wstring(what) + (slot ? L" ok" : L" no-interface"));
        return slot ? S_OK : E_NOINTERFACE;
    }
    HRESULT Remove(const wchar_t* what, IToastEventHandler*& slot, EventToken token)
    {
        Log(std::wstring(what) + L" token=" + std::to_wstring(token.value));
        if (slot) slot->Release();
        slot = nullptr;
        return S_OK;
    }
    IToastEventHandler* m_activated = nullptr;
    IToastEventHandler* m_failed = nullptr;
};

class History final : public Object<History, IToastNotificationHistory> {
public:
    void* Find(REFIID iid)
    {
        return IsBase(iid) || IsEqualIID(iid, kIID_IToastNotificationHistory) ? static_cast<IToastNotificationHistory*>(this)
                                                                              : nullptr;
    }
    HRESULT STDMETHODCALLTYPE RemoveGroup(HSTRING) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveGroupWithId(HSTRING, HSTRING) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveGroupedTagWithId(HSTRING tag, HSTRING group, HSTRING id) override
    {
        Log(L"RemoveGroupedTagWithId tag=" + Text(tag) + L" group=" + Text(group) + L" id=" + Text(id));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RemoveGroupedTag(HSTRING, HSTRING) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Remove(HSTRING) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clear() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ClearWithId(HSTRING) override { return E_NOTIMPL; }
};

class Notifier final : public Object<Notifier, IToastNotifier> {
public:
    void* Find(REFIID iid)
    {
        return IsBase(iid) || IsEqualIID(iid, kIID_IToastNotifier) ? static_cast<IToastNotifier*>(this) : nullptr;
    }
    HRESULT STDMETHODCALLTYPE Show(IToastNotification* notification) override
    {
        auto* toast = static_cast<Toast*>(notification);
        const std::wstring answer = Setting(L"Show");
        const HRESULT result = answer.empty() ? S_OK : static_cast<HRESULT>(std::wcstoul(answer.c_str(), nullptr, 16));
        Log(L"Show xml=" + toast->m_xml + L" result=" + answer);
        if (FAILED(result)) return result;
        const std::wstring click = Setting(L"Click");
        if (click == L"1") toast->Raise(false, std::wstring());
        else if (!click.empty()) toast->Raise(false, click);
        if (Setting(L"Fail") == L"1") toast->Raise(true, std::wstring());
        return result;
    }
    HRESULT STDMETHODCALLTYPE Hide(IToastNotification* notification) override
    {
        static_cast<Toast*>(notification)->m_hidden = true;
        Log(L"Hide xml=" + static_cast<Toast*>(notification)->m_xml);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Setting(NotificationSetting* value) override
    {
        const std::wstring setting = Setting(L"Setting");
        Log(L"get_Setting");
        if (setting == L"fail") return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
        *value = static_cast<NotificationSetting>(setting.empty() ? 0 : std::wcstol(setting.c_str(), nullptr, 10));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddToSchedule(IInspectable*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveFromSchedule(IInspectable*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetScheduledToastNotifications(IInspectable**) override { return E_NOTIMPL; }
};

class ManagerFactory final
    : public TwoInterfaces<ManagerFactory, IToastNotificationManagerStatics, IToastNotificationManagerStatics2> {
public:
    void* Find(REFIID iid)
    {
        if (IsBase(iid) || IsEqualIID(iid, kIID_IActivationFactory) || IsEqualIID(iid, kIID_IToastNotificationManagerStatics)) {
            return static_cast<IToastNotificationManagerStatics*>(this);
        }
        if (IsEqualIID(iid, kIID_IToastNotificationManagerStatics2)) return static_cast<IToastNotificationManagerStatics2*>(this);
        return nullptr;
    }
    HRESULT STDMETHODCALLTYPE get_History(IToastNotificationHistory** value) override
    {
        *value = new History;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateToastNotifier(IToastNotifier**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateToastNotifierWithId(HSTRING id, IToastNotifier** result) override
    {
        // What the platform would look up for the id: its activator, registered for the user or,
        // where the user has none, for the machine (the two merged, as in HKEY_CLASSES_ROOT).
        wchar_t activator[64] = {};
        DWORD bytes = sizeof(activator);
        const std::wstring key = L"Software\\Classes\\AppUserModelId\\" + Text(id);
        if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"CustomActivator", RRF_RT_REG_SZ, nullptr, activator, &bytes) !=
            ERROR_SUCCESS) {
            bytes = sizeof(activator);
            ::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"CustomActivator", RRF_RT_REG_SZ, nullptr, activator, &bytes);
        }
        Log(L"CreateToastNotifierWithId id=" + Text(id) + L" activator=" + activator);
        *result = new Notifier;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTemplateContent(INT32, IInspectable**) override { return E_NOTIMPL; }
};

class ToastFactory final : public Object<ToastFactory, IToastNotificationFactory> {
public:
    void* Find(REFIID iid)
    {
        return IsBase(iid) || IsEqualIID(iid, kIID_IActivationFactory) || IsEqualIID(iid, kIID_IToastNotificationFactory)
                   ? static_cast<IToastNotificationFactory*>(this)
                   : nullptr;
    }
    HRESULT STDMETHODCALLTYPE CreateToastNotification(IInspectable* content, IToastNotification** value) override
    {
        XmlDocument* document = nullptr;
        if (!content || FAILED(content->QueryInterface(kIID_StandInDocument, reinterpret_cast<void**>(&document)))) {
            return E_INVALIDARG;
        }
        *value = new Toast(document->m_xml);
        document->Release();
        return S_OK;
    }
};

class DocumentFactory final : public Object<DocumentFactory, IActivationFactoryDecl> {
public:
    void* Find(REFIID iid)
    {
        return IsBase(iid) || IsEqualIID(iid, kIID_IActivationFactory) ? static_cast<IActivationFactoryDecl*>(this)
                                                                        : nullptr;
    }
    HRESULT STDMETHODCALLTYPE ActivateInstance(IInspectable** instance) override
    {
        *instance = new XmlDocument;
        return S_OK;
    }
};

}  // namespace

namespace {

using AllowSetForegroundWindowFn = BOOL(WINAPI*)(DWORD);
ImportPatch* g_foregroundRight = nullptr;

BOOL WINAPI LogForegroundRight(DWORD processId)
{
    Log(L"AllowSetForegroundWindow pid=" + std::to_wstring(processId));
    return reinterpret_cast<AllowSetForegroundWindowFn>(g_foregroundRight->Original())(processId);
}

using SetValueFn = HRESULT(STDMETHODCALLTYPE*)(IPropertyStore*, REFPROPERTYKEY, REFPROPVARIANT);
SetValueFn g_shellLinkSetValue = nullptr;

HRESULT STDMETHODCALLTYPE LogShellLinkProperty(IPropertyStore* store, REFPROPERTYKEY key, REFPROPVARIANT value)
{
    wchar_t fmtid[40] = {};
    ::StringFromGUID2(key.fmtid, fmtid, 40);
    Log(L"ShellLink SetValue " + std::wstring(fmtid) + L" " + std::to_wstring(key.pid) + L" vt=" + std::to_wstring(value.vt));
    return g_shellLinkSetValue(store, key, value);
}

// Every shell link of the process shares its class's method table: its SetValue is logged from
// here on. Once, from a thread with COM (not from DllMain, which may not start COM objects).
void LogShellLinkProperties()
{
    IPropertyStore* store = nullptr;
    if (g_shellLinkSetValue || FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyStore,
                                                         reinterpret_cast<void**>(&store)))) {
        return;
    }
    void** methods = *reinterpret_cast<void***>(store);
    constexpr int kSetValue = 6;  // after QueryInterface, AddRef, Release, GetCount, GetAt, GetValue
    DWORD protection = 0;
    ::VirtualProtect(&methods[kSetValue], sizeof(void*), PAGE_READWRITE, &protection);
    g_shellLinkSetValue = reinterpret_cast<SetValueFn>(methods[kSetValue]);
    methods[kSetValue] = reinterpret_cast<void*>(&LogShellLinkProperty);
    ::VirtualProtect(&methods[kSetValue], sizeof(void*), protection, &protection);
    store->Release();
}

bool InTheHost()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    const wchar_t* name = std::wcsrchr(path, L'\\');
    return name && ::lstrcmpiW(name + 1, kToastHostFileName) == 0;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    // Never unpatched: the host ends with the stand-in still loaded.
    if (reason == DLL_PROCESS_ATTACH && InTheHost()) {
        g_foregroundRight = new ImportPatch(::GetModuleHandleW(nullptr), "user32.dll", "AllowSetForegroundWindow",
                                            reinterpret_cast<void*>(&LogForegroundRight));
    }
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllGetActivationFactory(HSTRING className, IInspectable** factory)
{
    if (InTheHost()) LogShellLinkProperties();
    const std::wstring name = Text(className);
    if (name == kToastNotificationManagerClass) *factory = static_cast<IToastNotificationManagerStatics*>(new ManagerFactory);
    else if (name == kToastNotificationClass) *factory = new ToastFactory;
    else if (name == kXmlDocumentClass) *factory = new DocumentFactory;
    else return CLASS_E_CLASSNOTAVAILABLE;
    return S_OK;
}
