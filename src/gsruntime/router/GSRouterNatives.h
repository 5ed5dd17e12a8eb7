#pragma once
// The natives of class "Router", registered by the machine's set-up in the
// order of kGSBuiltinNatives. Each acts on the router of the calling
// object's context; without one, a native with a result pushes null.
namespace GSRuntime {

class GSMachine;

void RegisterRouterNatives(GSMachine& machine);

}  // namespace GSRuntime
