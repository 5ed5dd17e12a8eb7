#include "gsnatives/ConstructorsNatives.h"

#include "gsnatives/GSOKUIDList.h"
#include "gsnatives/GSOSoup.h"
#include "gsnatives/image/GSOImage.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/natives/GSCNativeFunction.h"
#include "gsruntime/natives/GSNativeRegistration.h"

namespace GSNatives {

using namespace GSRuntime;

void ConstructorsNewSoup(GSContext* context, GSStack* stack) {
    if (stack) stack->PushNewObject(GSOSoup::Create(context, SoupHandle(), false), nullptr);
}

void ConstructorsNewKUIDList(GSContext* context, GSStack* stack) {
    if (stack) stack->PushNewObject(GSOKUIDList::Create(context), nullptr);
}

void ConstructorsNewImage(GSContext* context, GSStack* stack) {
    if (stack) stack->PushNewObject(GSOImage::Create(context), nullptr);
}

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
