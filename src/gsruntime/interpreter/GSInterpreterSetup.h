#pragma once
// Puts the interpreter in charge of script threads: the object model's
// thread services (GSThreadServices.h: stacks, saved states, runs and
// script exceptions go to GSThread) and the machine's static thread (a
// GSThread without owner, with the static flag). Call it before the first
// GSMachine::Instance, so that the machine's set-up makes its static thread
// with it; called later, the machine makes the thread at once when it has
// none. Calling it again changes nothing.
namespace GSRuntime {

void GSInstallInterpreter();

}  // namespace GSRuntime
