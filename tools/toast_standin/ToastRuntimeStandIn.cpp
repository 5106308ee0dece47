// A stand-in for the platform's toast classes, which Wine lacks: registered in a test prefix as
// the in-process server of Windows.UI.Notifications.ToastNotificationManager, ...ToastNotification
// and Windows.Data.Xml.Dom.XmlDocument. It records what the library asks of the platform, one
// UTF-16 line per call, in %KESH_TOAST_STANDIN_LOG%, and answers as these variables say:
//   KESH_TOAST_STANDIN_SETTING  the notifier's NotificationSetting (a number), or "fail"
//   KESH_TOAST_STANDIN_SHOW     the HRESULT Show returns (hex, e.g. 80070005), default S_OK
//   KESH_TOAST_STANDIN_CLICK    "1": the user clicks the toast as soon as it is shown

#include "toasthost/WinRtDeclarations.h"

#include <atomic>
#include <cwchar>
#include <string>
#include <thread>

using namespace toasthost;

namespace {

// {5C0A3C8E-7D0B-4E3B-9C55-2D4B2F0C9A11}: how the stand-in's toast factory finds its own document.
constexpr IID kIID_StandInDocument = { 0x5c0a3c8e, 0x7d0b, 0x4e3b, { 0x9c, 0x55, 0x2d, 0x4b, 0x2f, 0x0c, 0x9a, 0x11 } };

std::wstring Variable(const wchar_t* name)
{
    wchar_t value[256] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, value, 256);
    return length && length < 256 ? std::wstring(value, length) : std::wstring();
}

void Log(const std::wstring& line)
{
    const std::wstring path = Variable(L"KESH_TOAST_STANDIN_LOG");
    if (path.empty()) return;
    HANDLE token = nullptr;
    const bool impersonating = ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token) != FALSE;
    if (token) ::CloseHandle(token);
    const std::wstring text = line + L" impersonating=" + (impersonating ? L"1" : L"0") + L"\r\n";
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

class Toast final : public Object<Toast, IToastNotification> {
public:
    explicit Toast(std::wstring xml) : m_xml(std::move(xml)) {}
    ~Toast() override
    {
        if (m_activated) m_activated->Release();
    }
    void* Find(REFIID iid)
    {
        return IsBase(iid) || IsEqualIID(iid, kIID_IToastNotification) ? static_cast<IToastNotification*>(this) : nullptr;
    }
    HRESULT STDMETHODCALLTYPE get_Content(IInspectable**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ExpirationTime(IInspectable*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ExpirationTime(IInspectable**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE add_Dismissed(IUnknown*, EventToken*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE remove_Dismissed(EventToken) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE add_Activated(IToastActivatedHandler* handler, EventToken* token) override
    {
        if (m_activated) m_activated->Release();
        m_activated = nullptr;
        handler->QueryInterface(kIID_ToastActivatedHandler, reinterpret_cast<void**>(&m_activated));
        token->value = 7;
        Log(std::wstring(L"add_Activated ") + (m_activated ? L"ok" : L"no-interface"));
        return m_activated ? S_OK : E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE remove_Activated(EventToken token) override
    {
        Log(L"remove_Activated token=" + std::to_wstring(token.value));
        if (m_activated) m_activated->Release();
        m_activated = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE add_Failed(IUnknown*, EventToken*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE remove_Failed(EventToken) override { return E_NOTIMPL; }

    // The user clicks: the platform calls the handler on a thread of its own.
    void Click()
    {
        if (!m_activated) return;
        IToastActivatedHandler* handler = m_activated;
        handler->AddRef();
        AddRef();
        std::thread([this, handler] {
            handler->Invoke(this, nullptr);
            handler->Release();
            Release();
        }).detach();
    }
    std::wstring m_xml;
    IToastActivatedHandler* m_activated = nullptr;
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
        const std::wstring answer = Variable(L"KESH_TOAST_STANDIN_SHOW");
        const HRESULT result = answer.empty() ? S_OK : static_cast<HRESULT>(std::wcstoul(answer.c_str(), nullptr, 16));
        Log(L"Show xml=" + toast->m_xml + L" result=" + answer);
        if (SUCCEEDED(result) && Variable(L"KESH_TOAST_STANDIN_CLICK") == L"1") toast->Click();
        return result;
    }
    HRESULT STDMETHODCALLTYPE Hide(IToastNotification* notification) override
    {
        Log(L"Hide xml=" + static_cast<Toast*>(notification)->m_xml);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Setting(NotificationSetting* value) override
    {
        const std::wstring setting = Variable(L"KESH_TOAST_STANDIN_SETTING");
        Log(L"get_Setting");
        if (setting == L"fail") return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
        *value = static_cast<NotificationSetting>(setting.empty() ? 0 : std::wcstol(setting.c_str(), nullptr, 10));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddToSchedule(IInspectable*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveFromSchedule(IInspectable*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetScheduledToastNotifications(IInspectable**) override { return E_NOTIMPL; }
};

class ManagerFactory final : public Object<ManagerFactory, IToastNotificationManagerStatics> {
public:
    void* Find(REFIID iid)
    {
        return IsBase(iid) || IsEqualIID(iid, kIID_IActivationFactory) ||
                       IsEqualIID(iid, kIID_IToastNotificationManagerStatics)
                   ? static_cast<IToastNotificationManagerStatics*>(this)
                   : nullptr;
    }
    HRESULT STDMETHODCALLTYPE CreateToastNotifier(IToastNotifier**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateToastNotifierWithId(HSTRING id, IToastNotifier** result) override
    {
        Log(L"CreateToastNotifierWithId id=" + Text(id));
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

extern "C" __declspec(dllexport) HRESULT WINAPI DllGetActivationFactory(HSTRING className, IInspectable** factory)
{
    const std::wstring name = Text(className);
    if (name == kToastNotificationManagerClass) *factory = new ManagerFactory;
    else if (name == kToastNotificationClass) *factory = new ToastFactory;
    else if (name == kXmlDocumentClass) *factory = new DocumentFactory;
    else return CLASS_E_CLASSNOTAVAILABLE;
    return S_OK;
}
