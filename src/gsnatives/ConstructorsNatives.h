#pragma once
// The natives of the script class ConstructorsBase, through which scripts
// create native objects: "$Soup@ConstructorsBase::NewSoup()",
// "$KUIDList@ConstructorsBase::NewKUIDList()" and
// "$Image@ConstructorsBase::NewImage()".
//
// The soup, KUID-list and image objects are not part of the program yet:
// until they are, each of the three answers null, as it does when the
// script-object heap has no memory for the object.
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
