#include "server/ScriptOutArguments.h"

#include <oleauto.h>

namespace ordersrv {

ScriptOutArguments::ScriptOutArguments(const DISPPARAMS& params, MEMBERID member,
                                         const std::vector<ScalarOutParameter>& scalarOuts)
    : original_(const_cast<DISPPARAMS*>(&params)) {
    if (!params.rgvarg || params.cArgs == 0) return;
    // The slots must not move once the dispatch holds pointers into them.
    slots_.reserve(params.cArgs);
    for (const ScalarOutParameter& out : scalarOuts) {
        if (out.member != member) continue;
        const int index = ArgumentIndex(params, out.Position);
        if (index < 0) continue;
        const VARIANTARG& argument = params.rgvarg[index];
        if (V_VT(&argument) != (VT_VARIANT | VT_BYREF) || !V_VARIANTREF(&argument)) continue;
        Adapt(static_cast<UINT>(index), out.type);
    }
}

// Where the argument of a parameter position lies in rgvarg (named arguments first, then the
// positional ones in reverse order); -1 when the caller did not pass it.
int ScriptOutArguments::ArgumentIndex(const DISPPARAMS& params, UINT position) {
    for (UINT k = 0; k < params.cNamedArgs; ++k)
        if (params.rgdispidNamedArgs && params.rgdispidNamedArgs[k] == static_cast<DISPID>(position))
            return static_cast<int>(k);
    const UINT positional = params.cArgs - params.cNamedArgs;
    if (position >= positional) return -1;
    return static_cast<int>(params.cArgs - 1 - position);
}

void ScriptOutArguments::Adapt(UINT index, VARTYPE type) {
    if (!adapted_) {
        arguments_.assign(original_->rgvarg, original_->rgvarg + original_->cArgs);
        params_ = *original_;
        params_.rgvarg = arguments_.data();
        adapted_ = true;
    }
    slots_.push_back({V_VARIANTREF(&original_->rgvarg[index]), type});
    Slot& slot = slots_.back();
    VARIANTARG& lent = arguments_[index];
    if (type == VT_I4) {
        V_VT(&lent) = VT_I4 | VT_BYREF;
        V_I4REF(&lent) = &slot.longValue;
    } else {
        V_VT(&lent) = VT_R8 | VT_BYREF;
        V_R8REF(&lent) = &slot.doubleValue;
    }
}

void ScriptOutArguments::StoreResults() {
    for (Slot& slot : slots_) {
        VariantClear(slot.target);
        V_VT(slot.target) = slot.type;
        if (slot.type == VT_I4)
            V_I4(slot.target) = slot.longValue;
        else
            V_R8(slot.target) = slot.doubleValue;
    }
}

}  // namespace ordersrv
