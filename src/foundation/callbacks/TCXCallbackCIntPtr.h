#pragma once
// A callback body that calls a plain function and returns its result.
#include "foundation/callbacks/TCXCallback.h"

class TCXCallbackCIntPtr : public TCXCallbackBase {
public:
    using Function = int32_t (*)(CallArgument);

    // A body bound to `function`; null when allocation fails.
    static TCXCallbackCIntPtr* Create(Function function) { return new TCXCallbackCIntPtr(function); }

    int32_t Invoke(CallArgument argument) override { return m_function ? m_function(argument) : -1; }

private:
    explicit TCXCallbackCIntPtr(Function function) : m_function(function) {}

    Function m_function;
};

inline TCXCallback MakeFunctionCallback(TCXCallbackCIntPtr::Function function) {
    return TCXCallback(TCXCallbackCIntPtr::Create(function));
}
