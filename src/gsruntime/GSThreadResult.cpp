#include "gsruntime/GSThreadResult.h"

namespace GSRuntime {

const char* GSThreadResultName(int32_t code) {
    static const char* const kNames[kGSThreadResultCount] = {
        "ER_Done",
        "ER_Blocked",
        "ER_IllegalInstruction",
        "ER_DivideByZero",
        "ER_NullArrayReference",
        "ER_ArrayOutOfBounds",
        "ER_ArrayRangeError",
        "ER_NullStringReference",
        "ER_StringOutOfBounds",
        "ER_NullReference",
        "ER_ClassCreateError",
        "ER_NativeCallError",
        "ER_StackOverflow",
        "ER_NoStackFrame",
        "ER_ThreadError",
        "ER_StackReturnError",
        "ER_Exception",
        "ER_LinkError",
        "ER_Timeout",
    };
    return code >= 0 && code < kGSThreadResultCount ? kNames[code] : "ER_Unknown";
}

}  // namespace GSRuntime
