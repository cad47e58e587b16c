#pragma once
// A host's event sink as the delivery calls it: each change becomes a call of its
// IOrderServerEvents member through IDispatch::Invoke. Holds one reference to the sink, let go
// when the subscription ends (for a sink in another process that is a call to its host).
#include <windows.h>
#include <oaidl.h>

#include "engine/EventDelivery.h"
#include "server/ComPtr.h"

namespace ordersrv {

class DispatchSink final : public EventSink {
public:
    explicit DispatchSink(IDispatch* sink);
    bool Deliver(const HostEvent& event, std::string& failure) override;

private:
    ComPtr<IDispatch> sink_;
};

// Runs a delivery thread's life inside the process's multithreaded apartment.
void RunInComApartment(const std::function<void()>& body);

}  // namespace ordersrv
