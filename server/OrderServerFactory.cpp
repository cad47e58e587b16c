#include "server/OrderServerFactory.h"

#include <utility>

namespace ordersrv {

HRESULT OrderServerFactory::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT OrderServerFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    return OrderServerObject::Create(context_, outer, iid, object);
}

HRESULT OrderServerFactory::LockServer(BOOL lock) {
    if (lock)
        context_.lifetime.ObjectAdded();
    else
        context_.lifetime.ObjectReleased();
    return S_OK;
}

HRESULT ClassObjectRegistration::Publish(OrderServerFactory& factory) {
    HRESULT hr = CoRegisterClassObject(CLSID_OrderServer, &factory, CLSCTX_LOCAL_SERVER,
                                       REGCLS_MULTIPLEUSE | REGCLS_SUSPENDED, &cookie_);
    if (FAILED(hr)) {
        cookie_ = 0;
        return hr;
    }
    hr = CoResumeClassObjects();
    if (FAILED(hr)) Revoke();
    return hr;
}

void ClassObjectRegistration::Revoke() {
    if (cookie_) CoRevokeClassObject(std::exchange(cookie_, 0));
}

}  // namespace ordersrv
