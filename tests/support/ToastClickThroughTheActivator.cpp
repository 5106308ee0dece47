#include "ToastClickThroughTheActivator.h"

#include "product/ProductIdentity.h"
#include "toasthost/ToastActivator.h"

namespace kesh_test {

HRESULT ClickThroughTheActivator(bool call)
{
    toasthost::INotificationActivationCallback* activator = nullptr;
    HRESULT result = ::CoCreateInstance(kToastActivatorClsid, nullptr, CLSCTX_LOCAL_SERVER,
                                        toasthost::kIID_INotificationActivationCallback,
                                        reinterpret_cast<void**>(&activator));
    if (FAILED(result)) return result;
    if (call) result = activator->Activate(kAppUserModelId, L"", nullptr, 0);
    activator->Release();
    return result;
}

}  // namespace kesh_test
