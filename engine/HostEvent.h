#pragma once
// One change as a subscribed host hears it: an order's status, a position, the connection.
#include <cstdint>
#include <string>

namespace ordersrv {

struct HostEvent {
    // The numbers are the members' DISPIDs in IOrderServerEvents, which hosts see.
    enum class Kind { OrderStatus = 1, Position = 2, Connected = 3 };

    static HostEvent OrderStatus(int32_t orderRefId, int32_t status, int32_t fillSize,
                                 double fillPrice) {
        HostEvent event;
        event.kind = Kind::OrderStatus;
        event.orderRefId = orderRefId;
        event.status = status;
        event.fillSize = fillSize;
        event.price = fillPrice;
        return event;
    }
    static HostEvent Position(const std::string& symbol, int32_t posSize, double posCost) {
        HostEvent event;
        event.kind = Kind::Position;
        event.symbol = symbol;
        event.posSize = posSize;
        event.price = posCost;
        return event;
    }
    static HostEvent Connected(bool connected) {
        HostEvent event;
        event.kind = Kind::Connected;
        event.connected = connected;
        return event;
    }

    Kind kind = Kind::OrderStatus;
    int32_t orderRefId = 0, status = 0, fillSize = 0;
    double price = 0.0;  // FillPrice or PosCost
    std::string symbol;  // UTF-8
    int32_t posSize = 0;
    bool connected = false;
};

// The member's name in IOrderServerEvents, for log lines.
inline const char* HostEventName(HostEvent::Kind kind) {
    switch (kind) {
    case HostEvent::Kind::OrderStatus: return "OrderStatusChanged";
    case HostEvent::Kind::Position: return "PositionChanged";
    case HostEvent::Kind::Connected: return "ConnectedChanged";
    }
    return "?";
}

}  // namespace ordersrv
