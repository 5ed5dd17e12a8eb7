#pragma once
// The natives of class "GameObject", registered by the machine's set-up in
// the order of kGSBuiltinNatives.
namespace GSRuntime {

class GSMachine;

void RegisterGameObjectNatives(GSMachine& machine);

}  // namespace GSRuntime
