#pragma once
// A callback body that calls a member function of an object. It always
// returns 0, whatever the member returns. Member pointers of classes with
// several bases carry their own this-adjustment, so one layout serves both
// kinds of class.
#include "foundation/callbacks/TCXCallback.h"

template <typename T>
class TCXCallbackCPPVoidPtr : public TCXCallbackBase {
public:
    using VoidMember = void (T::*)(CallArgument);
    using IntMember = int32_t (T::*)(CallArgument);

    // A body bound to `member` of `object`; null when allocation fails.
    static TCXCallbackCPPVoidPtr* Create(T* object, VoidMember member) {
        return new TCXCallbackCPPVoidPtr(object, member, nullptr);
    }
    static TCXCallbackCPPVoidPtr* Create(T* object, IntMember member) {
        return new TCXCallbackCPPVoidPtr(object, nullptr, member);
    }

    // The vptr check is off here: for a member inherited from a second base
    // it tests the adjusted object address against T and reports a valid
    // call as a fault.
    __attribute__((no_sanitize("vptr"))) int32_t Invoke(CallArgument argument) override {
        if (m_voidMember)
            (m_object->*m_voidMember)(argument);
        else if (m_intMember)
            (m_object->*m_intMember)(argument);
        return 0;
    }

private:
    TCXCallbackCPPVoidPtr(T* object, VoidMember voidMember, IntMember intMember)
        : m_voidMember(voidMember), m_intMember(intMember), m_object(object) {}

    VoidMember m_voidMember;
    IntMember m_intMember;
    T* m_object;
};

// A handle to a new member-function body (an empty handle when allocation
// fails).
template <typename T, typename Member>
TCXCallback MakeMemberCallback(T* object, Member member) {
    return TCXCallback(TCXCallbackCPPVoidPtr<T>::Create(object, member));
}
