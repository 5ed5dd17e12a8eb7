#pragma once
// CallScriptFunction: native code calls a method of a script instance. The
// function is found by its signature in `cls` (the instance's class or one
// of its bases) and dispatched through the instance's virtual table, so a
// signature of a base runs the most-derived override.
//
// A function without the thread flag runs at once on the machine's static
// thread (whose own state is saved and restored, so that a call nested in a
// running script leaves that run intact). A thread function is started on a
// new thread of the instance's game object and runs at its next update.
//
// `arguments` are the 32-bit argument slots in signature order; their
// number must be the function's. The call takes over the caller's count on
// every reference argument: the frame owns it and releases it when it
// ends, and every failure releases it, so the caller gives a count with
// each reference argument and never releases it itself. `me` gets a count
// of its own for the frame.
// A function with a result stores it in `*result` (a returned reference
// passes its count to the caller); without `result` a returned reference is
// released. For a void function `*result` becomes 0.
//
// False for: a missing context or one without router, an unknown
// signature, an instance that is not of `cls`, an argument count that does
// not match, a thread function on an object that is no game object or has
// no thread left, a frame that does not fit, and any run that does not end
// with ER_Done.
#include <cstdint>
#include <initializer_list>

#include "gsruntime/GSDataReference.h"

namespace GSRuntime {

class GSClass;
class GSContext;
struct GSScriptInstance;

bool CallScriptFunction(GSContext* context, GSClass* cls, GSScriptInstance* header, const char* signature,
                        uint32_t* result, const uint32_t* arguments, uint32_t argumentCount);

inline bool CallScriptFunction(GSContext* context, GSClass* cls, GSScriptInstance* header, const char* signature,
                               uint32_t* result, std::initializer_list<uint32_t> arguments = {}) {
    return CallScriptFunction(context, cls, header, signature, result, arguments.begin(),
                              static_cast<uint32_t>(arguments.size()));
}

}  // namespace GSRuntime
