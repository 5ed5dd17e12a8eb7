#include "gsnatives/ConstructorsNatives.h"

#include "gsruntime/GSStack.h"
#include "gsruntime/natives/GSCNativeFunction.h"
#include "gsruntime/natives/GSNativeRegistration.h"

namespace GSNatives {

using namespace GSRuntime;

namespace {

// The caller gets null: the object class is not there to make one.
void PushNull(GSStack* stack) {
    if (stack) stack->Push(0);
}

}  // namespace

void ConstructorsNewSoup(GSContext*, GSStack* stack) { PushNull(stack); }

void ConstructorsNewKUIDList(GSContext*, GSStack* stack) { PushNull(stack); }

void ConstructorsNewImage(GSContext*, GSStack* stack) { PushNull(stack); }

void RegisterConstructorsNatives() {
    const Vek::PString className("ConstructorsBase");
    GSRegisterNative(
        new GSCNativeFunction(className, Vek::PString("$Soup@ConstructorsBase::NewSoup()"), &ConstructorsNewSoup));
    GSRegisterNative(new GSCNativeFunction(className, Vek::PString("$KUIDList@ConstructorsBase::NewKUIDList()"),
                                           &ConstructorsNewKUIDList));
    GSRegisterNative(
        new GSCNativeFunction(className, Vek::PString("$Image@ConstructorsBase::NewImage()"), &ConstructorsNewImage));
}

}  // namespace GSNatives
