#pragma once
// Told of every change a host may want to hear of at once: an order's status, fill size or fill
// price, a position, the connection. Called on the thread that made the change (the main
// thread), after the book's lock is released, in the order the changes happened; a listener
// only takes note and returns.
#include <cstdint>
#include <string>

namespace ordersrv {

class ChangeListener {
public:
    virtual ~ChangeListener() = default;
    virtual void OrderChanged(int32_t orderRefId, int32_t status, int32_t fillSize,
                              double fillPrice) = 0;
    virtual void PositionChanged(const std::string& symbol, int32_t posSize, double posCost) = 0;
    virtual void ConnectedChanged(bool connected) = 0;
};

}  // namespace ordersrv
