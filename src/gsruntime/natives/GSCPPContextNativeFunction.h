#pragma once
// GSCPPContextNativeFunction<T>: a native function that is a member
// function of a context class T (a GSContext or a context derived from it).
// The receiver is the context of the object the script called the method
// on, cast to T at run time.
#include "gsruntime/GSContext.h"
#include "gsruntime/GSNativeFunction.h"
#include "gsruntime/GSObject.h"

namespace GSRuntime {

template <class T>
class GSCPPContextNativeFunction : public GSNativeFunction {
public:
    using Member = void (T::*)(GSStack* stack);

    GSCPPContextNativeFunction(const Vek::PString& className, const Vek::PString& signature, Member member)
        : GSNativeFunction(className, signature), m_member(member) {}

    // False, without calling, without a target, or when the target's
    // context is none or no T.
    bool Call(GSObject* target, GSStack* stack) override {
        T* receiver = target ? dynamic_cast<T*>(target->GetContext()) : nullptr;
        if (!receiver || !m_member) return false;
        (receiver->*m_member)(stack);
        return true;
    }

private:
    Member m_member;
};

}  // namespace GSRuntime
