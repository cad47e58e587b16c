#pragma once
// Script hosts pass every by-reference argument as a reference to a VARIANT, which the standard
// type-library dispatch refuses for long* and double* out parameters. This adapter lends the
// dispatch a long or double of its own for each such argument and afterwards puts the value
// into the caller's VARIANT. Arguments the standard dispatch accepts pass through untouched.
#include <windows.h>
#include <oaidl.h>

#include <vector>

#include "server/ServerTypeInfo.h"

namespace ordersrv {

class ScriptOutArguments {
public:
    ScriptOutArguments(const DISPPARAMS& params, MEMBERID member,
                        const std::vector<ScalarOutParameter>& scalarOuts);
    ScriptOutArguments(const ScriptOutArguments&) = delete;
    ScriptOutArguments& operator=(const ScriptOutArguments&) = delete;

    // The parameters to hand to the dispatch: the caller's own when nothing was adapted.
    DISPPARAMS* Params() { return adapted_ ? &params_ : original_; }
    // After a successful call: each adapted caller VARIANT receives its VT_I4 or VT_R8 value.
    void StoreResults();

private:
    struct Slot {
        VARIANT* target;  // the caller's VARIANT
        VARTYPE type;
        LONG longValue = 0;
        double doubleValue = 0;
    };

    static int ArgumentIndex(const DISPPARAMS& params, UINT position);
    void Adapt(UINT index, VARTYPE type);

    DISPPARAMS* original_;
    DISPPARAMS params_{};
    std::vector<VARIANTARG> arguments_;
    std::vector<Slot> slots_;
    bool adapted_ = false;
};

}  // namespace ordersrv
