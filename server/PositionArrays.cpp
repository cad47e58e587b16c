#include "server/PositionArrays.h"

#include <oleauto.h>

#include <new>
#include <utility>

#include "platform/win32/WideText.h"

namespace ordersrv {

namespace {

void StoreText(VARIANT& element, const std::string& text) {
    const std::wstring wide = plat::WideText(text);
    BSTR value = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!value) throw std::bad_alloc();
    V_VT(&element) = VT_BSTR;
    V_BSTR(&element) = value;
}

// Elements of a new array of VARIANT, zero-filled (VT_EMPTY) until written.
class Elements {
public:
    explicit Elements(SAFEARRAY* list) : list_(list) {
        if (FAILED(SafeArrayAccessData(list_, reinterpret_cast<void**>(&data_)))) throw std::bad_alloc();
    }
    ~Elements() { SafeArrayUnaccessData(list_); }
    Elements(const Elements&) = delete;
    Elements& operator=(const Elements&) = delete;
    VARIANT& operator[](size_t i) { return data_[i]; }

private:
    SAFEARRAY* list_;
    VARIANT* data_ = nullptr;
};

}  // namespace

PositionArrays::PositionArrays(const std::vector<PositionSpec>& positions) {
    const ULONG count = static_cast<ULONG>(positions.size());
    for (SAFEARRAY*& list : lists_) {
        list = SafeArrayCreateVector(VT_VARIANT, 0, count);
        if (!list) {
            DestroyLists();
            throw std::bad_alloc();
        }
    }
    try {
        Elements symbols(lists_[kSymbol]), expiries(lists_[kExpiry]), types(lists_[kType]),
            exchanges(lists_[kExchange]);
        for (size_t i = 0; i < positions.size(); ++i) {
            StoreText(symbols[i], positions[i].symbol);
            StoreText(expiries[i], positions[i].symExp);
            V_VT(&types[i]) = VT_I4;
            V_I4(&types[i]) = positions[i].symType;
            StoreText(exchanges[i], positions[i].symExch);
        }
    } catch (...) {
        DestroyLists();
        throw;
    }
}

PositionArrays::~PositionArrays() { DestroyLists(); }

void PositionArrays::DestroyLists() {
    for (SAFEARRAY*& list : lists_)
        if (list) SafeArrayDestroy(std::exchange(list, nullptr));
}

void PositionArrays::MoveTo(VARIANT* symbols, VARIANT* expiries, VARIANT* types,
                             VARIANT* exchanges) {
    VARIANT* targets[kLists] = {symbols, expiries, types, exchanges};
    for (int i = 0; i < kLists; ++i) {
        V_VT(targets[i]) = VT_ARRAY | VT_VARIANT;
        V_ARRAY(targets[i]) = std::exchange(lists_[i], nullptr);
    }
}

}  // namespace ordersrv
