#include "gsnatives/ConstructorsNatives.h"

#include "gsnatives/GSOKUIDList.h"
#include "gsnatives/GSOSoup.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/natives/GSCNativeFunction.h"
#include "gsruntime/natives/GSNativeRegistration.h"

namespace GSNatives {

using namespace GSRuntime;

namespace {

// The caller gets null: the image class is not there to make one.
void PushNull(GSStack* stack) {
    if (stack) stack->Push(0);
}

}  // namespace

void ConstructorsNewSoup(GSContext* context, GSStack* stack) {
    if (stack) stack->PushNewObject(GSOSoup::Create(context, SoupHandle(), false), nullptr);
}

void ConstructorsNewKUIDList(GSContext* context, GSStack* stack) {
    if (stack) stack->PushNewObject(GSOKUIDList::Create(context), nullptr);
}

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
