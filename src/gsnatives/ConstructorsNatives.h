#pragma once
// The natives of the script class ConstructorsBase, through which scripts
// create native objects: "$Soup@ConstructorsBase::NewSoup()",
// "$KUIDList@ConstructorsBase::NewKUIDList()" and
// "$Image@ConstructorsBase::NewImage()".
//
// NewSoup makes an unlocked soup object without data, NewKUIDList an empty
// unlocked list, NewImage an image without picture, each in the calling
// context with its one count held by the script value; null when the
// script-object heap has no room.
namespace GSRuntime {
class GSContext;
class GSStack;
}  // namespace GSRuntime

namespace GSNatives {

void ConstructorsNewSoup(GSRuntime::GSContext* context, GSRuntime::GSStack* stack);
void ConstructorsNewKUIDList(GSRuntime::GSContext* context, GSRuntime::GSStack* stack);
void ConstructorsNewImage(GSRuntime::GSContext* context, GSRuntime::GSStack* stack);

// Registers the three natives, in the order above.
void RegisterConstructorsNatives();

}  // namespace GSNatives
