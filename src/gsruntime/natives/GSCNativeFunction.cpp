#include "gsruntime/natives/GSCNativeFunction.h"

#include "gsruntime/GSObject.h"

namespace GSRuntime {

bool GSCNativeFunction::Call(GSObject* target, GSStack* stack) {
    if (!target || !m_function) return false;
    m_function(target->GetContext(), stack);
    return true;
}

}  // namespace GSRuntime
