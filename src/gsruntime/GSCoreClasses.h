#pragma once
// The classes of the runtime's own script library "gs.gsl" that native
// code needs: "GameObject" (the base of every game object) and "Message"
// (the script object built for each message delivered to a script). Each is
// looked up on first use, through the machine (which loads the library),
// and kept for the rest of the process once found; while it cannot be
// found every call asks again.
namespace GSRuntime {

class GSClass;

constexpr const char* kGSCoreLibrary = "gs.gsl";

GSClass* GetGameObjectClass();
GSClass* GetMessageClass();

}  // namespace GSRuntime
