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
    // Verified code runs without per-instruction stack checks: its deepest
    // operand stack must fit above the frame.
    if (entered->maxStackDepth >= 0 && int64_t(floor) + entered->maxStackDepth >= int64_t(capacity))
        return Raise(ER_StackOverflow);
    return true;
}

}  // namespace GSRuntime
