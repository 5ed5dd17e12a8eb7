#pragma once
// Puts the message router in charge of game objects: contexts made with a
// router get a GSRouter (and destroy it with GSRouter::Done), the
// interpreter reaches game objects, routers and messages through GSNode,
// GSGameObject, GSRouter and GSMessage, and the machine's set-up registers
// the GameObject and Router natives. Call it before the first
// GSMachine::Instance (with GSInstallInterpreter); calling it again changes
// nothing.
namespace GSRuntime {

void GSInstallRouter();

}  // namespace GSRuntime
