#pragma once
// The four lists GetAllPositionSpec answers: one-dimensional arrays of VARIANT, bounds 0..n-1,
// holding symbol, expiry and exchange as VT_BSTR and the symbol type as VT_I4.
#include <windows.h>
#include <oaidl.h>

#include <vector>

#include "engine/Engine.h"

namespace ordersrv {

class PositionArrays {
public:
    // Throws std::bad_alloc when an array or a string cannot be allocated.
    explicit PositionArrays(const std::vector<PositionSpec>& positions);
    ~PositionArrays();
    PositionArrays(const PositionArrays&) = delete;
    PositionArrays& operator=(const PositionArrays&) = delete;

    // Hands the four arrays to the out VARIANTs as VT_ARRAY|VT_VARIANT.
    void MoveTo(VARIANT* symbols, VARIANT* expiries, VARIANT* types, VARIANT* exchanges);

private:
    void DestroyLists();

    enum { kSymbol, kExpiry, kType, kExchange, kLists };
    SAFEARRAY* lists_[kLists] = {};
};

}  // namespace ordersrv
