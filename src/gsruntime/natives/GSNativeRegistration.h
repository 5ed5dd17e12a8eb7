#pragma once
// Registration of native functions: every registration function creates
// its wrappers and hands each to the script machine, which owns them from
// then on and binds each native declaration of a class to the most recently
// registered wrapper with the same class name and signature text.
namespace GSRuntime {

class GSNativeFunction;

// Makes sure the machine exists and has run its set-up, then adds the
// wrapper at the front of its native list (duplicates are kept). Null is
// ignored.
void GSRegisterNative(GSNativeFunction* native);

}  // namespace GSRuntime
