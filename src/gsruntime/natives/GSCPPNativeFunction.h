#pragma once
// GSCPPNativeFunction<T>: a native function that is a member function of a
// native class T derived from GSObject. The receiver is the object the
// script called the method on, cast to T at run time; the member pointer
// carries whatever adjustment a T with several bases needs. The natives of
// the game object itself run on every message, so their receiver is found
// without a dynamic cast.
#include <type_traits>

#include "gsruntime/GSNativeFunction.h"
#include "gsruntime/GSObject.h"

namespace GSRuntime {

template <class T>
class GSCPPNativeFunction : public GSNativeFunction {
public:
    using Member = void (T::*)(GSStack* stack);

    GSCPPNativeFunction(const Vek::PString& className, const Vek::PString& signature, Member member)
        : GSNativeFunction(className, signature), m_member(member) {}

    // False, without calling, when there is no target or it is no T.
    bool Call(GSObject* target, GSStack* stack) override {
        T* receiver = nullptr;
        if constexpr (std::is_same_v<T, GSGameObject>) {
            receiver = target ? target->AsGameObject() : nullptr;
        } else {
            receiver = dynamic_cast<T*>(target);
        }
        if (!receiver || !m_member) return false;
        (receiver->*m_member)(stack);
        return true;
    }

private:
    Member m_member;
};

}  // namespace GSRuntime
