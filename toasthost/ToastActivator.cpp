#include "toasthost/ToastActivator.h"

#include "toasthost/AppIdentity.h"

#include <atomic>
#include <new>
#include <utility>

namespace toasthost {

namespace {

using OnActivate = std::function<void(const std::wstring&)>;

// One object answering IUnknown and one other interface, counted.
template <typename Interface>
class Counted : public Interface {
public:
    explicit Counted(const IID& iid) : m_iid(iid) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, m_iid)) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
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

protected:
    virtual ~Counted() = default;

private:
    std::atomic<ULONG> m_references{ 1 };
    const IID m_iid;
};

class Callback final : public Counted<INotificationActivationCallback> {
public:
    explicit Callback(OnActivate onActivate)
        : Counted(kIID_INotificationActivationCallback), m_onActivate(std::move(onActivate))
    {
    }
    HRESULT STDMETHODCALLTYPE Activate(LPCWSTR appUserModelId, LPCWSTR, const NOTIFICATION_USER_INPUT_DATA*,
                                       ULONG) override
    {
        // A failure would have the platform offer the click again; there is nothing to retry.
        if (m_onActivate && appUserModelId) m_onActivate(appUserModelId);
        return S_OK;
    }

private:
    const OnActivate m_onActivate;
};

class Factory final : public Counted<IClassFactory> {
public:
    explicit Factory(OnActivate onActivate) : Counted(IID_IClassFactory), m_onActivate(std::move(onActivate)) {}
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* callback = new (std::nothrow) Callback(m_onActivate);
        if (!callback) return E_OUTOFMEMORY;
        const HRESULT result = callback->QueryInterface(iid, object);
        callback->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    const OnActivate m_onActivate;
};

}  // namespace

bool ToastActivatorsExist()
{
    return WindowsMajorVersion() >= 10;
}

bool ToastActivator::Register(std::function<void(const std::wstring& appId)> onActivate)
{
    Revoke();
    m_factory = new (std::nothrow) Factory(std::move(onActivate));
    if (!m_factory) return false;
    if (FAILED(::CoRegisterClassObject(kToastActivatorClsid, m_factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                       &m_cookie))) {
        Revoke();
        return false;
    }
    return true;
}

void ToastActivator::Revoke()
{
    if (m_cookie) ::CoRevokeClassObject(m_cookie);
    m_cookie = 0;
    if (m_factory) m_factory->Release();
    m_factory = nullptr;
}

}  // namespace toasthost
