#include "gsruntime/interpreter/GSRunState.h"

#include "gsruntime/GSFunction.h"

namespace GSRuntime {

bool GSRunState::EnterFrame(int32_t offset) {
    const int32_t frame = stack->CurrentFrame();
    if (frame == GSStack::kNone) return Raise(ER_NoStackFrame);
    const GSFunction* entered = stack->FrameFunction(frame);
    if (!entered) return Raise(ER_NoStackFrame);
    function = entered;
    library = entered->library;
    localsBase = stack->FrameLocalsBase(frame);
    floor = frame + 3;
    code = entered->code;
    if (!code || offset < 0 || static_cast<uint32_t>(offset) >= entered->codeLength) {
        pc = runStart = code;
        return Raise(ER_IllegalInstruction);
    }
    JumpTo(static_cast<uint32_t>(offset));
    return true;
}

}  // namespace GSRuntime
