#include "toasthost/ToastActivator.h"

#include "win32/CountedObject.h"
#include "win32/WindowsVersion.h"

#include <new>
#include <utility>

namespace toasthost {

namespace {

using OnActivate = std::function<void(const std::wstring&)>;

class Callback final : public CountedObject<INotificationActivationCallback> {
public:
    Callback(OnActivate onActivate, std::function<void()> onReleased)
        : CountedObject(kIID_INotificationActivationCallback), m_onActivate(std::move(onActivate)),
          m_onReleased(std::move(onReleased))
    {
    }
    ~Callback() override
    {
        if (m_onReleased) m_onReleased();
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
    const std::function<void()> m_onReleased;
};

class Factory final : public CountedObject<IClassFactory> {
public:
    Factory(OnActivate onActivate, std::function<void()> onReleased)
        : CountedObject(IID_IClassFactory), m_onActivate(std::move(onActivate)), m_onReleased(std::move(onReleased))
    {
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* callback = new (std::nothrow) Callback(m_onActivate, m_onReleased);
        if (!callback) return E_OUTOFMEMORY;
        const HRESULT result = callback->QueryInterface(iid, object);
        callback->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    const OnActivate m_onActivate;
    const std::function<void()> m_onReleased;
};

}  // namespace

bool ToastActivatorsExist()
{
    return RealWindowsVersion().major >= 10;
}

bool ToastActivator::Register(std::function<void(const std::wstring& appId)> onActivate,
                              std::function<void()> onReleased)
{
    Revoke();
    m_factory = ComPtr<IClassFactory>(new (std::nothrow) Factory(std::move(onActivate), std::move(onReleased)));
    if (!m_factory) return false;
    if (FAILED(::CoRegisterClassObject(kToastActivatorClsid, m_factory.get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
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
    m_factory.reset();
}

}  // namespace toasthost
