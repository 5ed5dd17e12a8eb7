#pragma once
// The results of running a script thread (GSThread::Execute): 0 and 1 are
// the normal ends, every other code an error that ended the thread. The
// interpreter's exception message names a code by the text of
// GSThreadResultName.
#include <cstdint>

namespace GSRuntime {

enum GSThreadResult : int32_t {
    ER_Done = 0,                // the outermost function returned
    ER_Blocked = 1,             // the thread waits for a message or sleeps
    ER_IllegalInstruction = 2,  // an opcode byte above 115
    ER_DivideByZero = 3,
    ER_NullArrayReference = 4,
    ER_ArrayOutOfBounds = 5,  // array index, array or string range, array allocation
    ER_ArrayRangeError = 6,   // named only
    ER_NullStringReference = 7,
    ER_StringOutOfBounds = 8,
    ER_NullReference = 9,
    ER_ClassCreateError = 10,
    ER_NativeCallError = 11,
    ER_StackOverflow = 12,
    ER_NoStackFrame = 13,
    ER_ThreadError = 14,
    ER_StackReturnError = 15,
    ER_Exception = 16,  // a native raised a script exception that ends the thread
    ER_LinkError = 17,
    ER_Timeout = 18,
};
constexpr int32_t kGSThreadResultCount = 19;

// "ER_Done" ... "ER_Timeout"; "ER_Unknown" for any other code.
const char* GSThreadResultName(int32_t code);

}  // namespace GSRuntime
