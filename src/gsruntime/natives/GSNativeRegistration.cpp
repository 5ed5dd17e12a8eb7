#include "gsruntime/natives/GSNativeRegistration.h"

#include "gsruntime/GSMachine.h"

namespace GSRuntime {

void GSRegisterNative(GSNativeFunction* native) {
    if (native) GSMachine::Instance()->AddNative(native);
}

}  // namespace GSRuntime
