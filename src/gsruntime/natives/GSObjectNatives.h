#pragma once
// The natives of the script class "GSObject", the root of the runtime's
// own script library. The machine registers them when it is set up (they
// are the default registrar of its GSObject native group).
namespace GSRuntime {

class GSContext;
class GSMachine;
class GSStack;

// "$string@GSObject::GetGSClassName()": pushes a new string with the class
// name of `me`'s instance, or "void" when there is no frame or no class.
void GSObjectGetGSClassName(GSContext* context, GSStack* stack);

// Registers the GSObject natives with the machine.
void RegisterGSObjectNatives(GSMachine& machine);

}  // namespace GSRuntime
