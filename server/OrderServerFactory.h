#pragma once
// The one class object of the process for OrderServer: every creation request of every client
// makes a new TOrderServer. It lives as long as the server and is not reference-counted.
#include <windows.h>
#include <unknwn.h>

#include "server/OrderServerObject.h"

class TOrderServerFactory final : public IClassFactory {
public:
    explicit TOrderServerFactory(const TOrderServerContext& context) : context_(context) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    TOrderServerContext context_;
};

// The class object published to COM for local clients, from Publish until revoked.
class TClassObjectRegistration {
public:
    TClassObjectRegistration() = default;
    ~TClassObjectRegistration() { Revoke(); }
    TClassObjectRegistration(const TClassObjectRegistration&) = delete;
    TClassObjectRegistration& operator=(const TClassObjectRegistration&) = delete;

    // Registers for multiple use in suspended state, then resumes the process's class objects.
    HRESULT Publish(TOrderServerFactory& factory);
    void Revoke();

private:
    DWORD cookie_ = 0;
};
