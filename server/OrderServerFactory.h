#pragma once
// The one class object of the process for OrderServer: every creation request of every client
// makes a new OrderServerObject. It lives as long as the server and is not reference-counted.
#include <windows.h>
#include <unknwn.h>

#include "server/OrderServerObject.h"

namespace ordersrv {

class OrderServerFactory final : public IClassFactory {
public:
    explicit OrderServerFactory(const ObjectContext& context) : context_(context) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    ObjectContext context_;
};

// The class object published to COM for local clients, from Publish until revoked.
class ClassObjectRegistration {
public:
    ClassObjectRegistration() = default;
    ~ClassObjectRegistration() { Revoke(); }
    ClassObjectRegistration(const ClassObjectRegistration&) = delete;
    ClassObjectRegistration& operator=(const ClassObjectRegistration&) = delete;

    // Registers for multiple use in suspended state, then resumes the process's class objects.
    HRESULT Publish(OrderServerFactory& factory);
    void Revoke();

private:
    DWORD cookie_ = 0;
};

}  // namespace ordersrv
