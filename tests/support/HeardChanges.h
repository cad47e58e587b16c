#pragma once
// A change listener that writes down what a subscribed host would hear, one line per event in
// the host's own terms: "OrderStatusChanged 7 1 2 1234.5" (reference, status, fill size, fill
// price), "PositionChanged ES 2 1234.5", "ConnectedChanged 1".
#include <mutex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/ChangeListener.h"

namespace ordersrv {

namespace testsupport {

class HeardChanges : public ChangeListener {
public:
    void OrderChanged(int32_t orderRefId, int32_t status, int32_t fillSize,
                      double fillPrice) override {
        Add("OrderStatusChanged", orderRefId, status, fillSize, fillPrice);
    }
    void PositionChanged(const std::string& symbol, int32_t posSize, double posCost) override {
        Add("PositionChanged", symbol, posSize, posCost);
    }
    void ConnectedChanged(bool connected) override { Add("ConnectedChanged", connected ? 1 : 0); }

    // What was heard since the last look, oldest first.
    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> hold(mutex_);
        return std::exchange(lines_, {});
    }

private:
    template <typename... Values>
    void Add(const char* event, const Values&... values) {
        std::ostringstream line;
        line << event;
        ((line << ' ' << values), ...);
        std::lock_guard<std::mutex> hold(mutex_);
        lines_.push_back(line.str());
    }

    std::mutex mutex_;
    std::vector<std::string> lines_;
};

}  // namespace testsupport

}  // namespace ordersrv
