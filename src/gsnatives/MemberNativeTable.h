#pragma once
// Registration of a native class's member natives from a table of
// signature texts and member functions, in table order, each as a
// GSCPPNativeFunction<T> of the given class name.
#include <cstddef>

#include "engine/PString.h"
#include "gsruntime/natives/GSCPPNativeFunction.h"
#include "gsruntime/natives/GSNativeRegistration.h"

namespace GSNatives {

template <class T>
struct MemberNative {
    const char* signature;
    typename GSRuntime::GSCPPNativeFunction<T>::Member member;
};

template <class T, std::size_t N>
void RegisterMemberNatives(const char* className, const MemberNative<T> (&natives)[N]) {
    const Vek::PString name(className);
    for (const MemberNative<T>& native : natives)
        GSRuntime::GSRegisterNative(
            new GSRuntime::GSCPPNativeFunction<T>(name, Vek::PString(native.signature), native.member));
}

}  // namespace GSNatives
