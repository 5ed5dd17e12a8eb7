#pragma once
// GSCNativeFunction: a native function that is a plain function of the
// system, called with the context of the object the script called it on
// and the thread's stack.
#include "gsruntime/GSNativeFunction.h"

namespace GSRuntime {

class GSContext;

class GSCNativeFunction : public GSNativeFunction {
public:
    using Function = void (*)(GSContext* context, GSStack* stack);

    GSCNativeFunction(const Vek::PString& className, const Vek::PString& signature, Function function)
        : GSNativeFunction(className, signature), m_function(function) {}

    // False, without calling, for a null target; otherwise calls the
    // function with the target's context.
    bool Call(GSObject* target, GSStack* stack) override;

private:
    Function m_function;
};

}  // namespace GSRuntime
