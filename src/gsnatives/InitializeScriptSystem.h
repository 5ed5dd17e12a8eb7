#pragma once
// The one-time set-up of the script system, run before the first asset's
// scripts are compiled and linked:
//  1. the interpreter, the router and the Str and Math natives are
//     installed in the script machine, which is then made (with its
//     built-in natives);
//  2. every "*.gsl" file of the file-system root "libraries" is registered;
//  3. GameObject is bound from "gs.gsl" (false when that fails: stop);
//  4. the natives of the native classes are registered, in a fixed order
//     (KUID, Soup, HTMLBuffer, KUIDList, StringTable, Asset, LinkedList,
//     VorlexGameObject, OnlineAccess, OnlineGroup, Library, Image,
//     VorlexScriptBase, SecurityToken, ConstructorsBase); every native is
//     there before the first class is bound, because binding links the
//     class's library and a native declaration left unresolved then stays
//     unbound;
//  5. the script classes are bound in ScriptClass order, stopping with
//     false at the first one that is not found (later ones stay unbound).
//
// Only the first call does the work; every later call returns what the
// first one returned, so a failed set-up stays failed (retrying would
// register every native a second time).
namespace GSNatives {

bool InitializeScriptSystem();

// The native groups in registration order, by the class name of their
// natives. `registrar` is null for the groups whose natives are not part of
// the program yet.
struct NativeRegistrationStep {
    const char* className;
    void (*registrar)();
};
constexpr unsigned kNativeRegistrationStepCount = 15;
const NativeRegistrationStep* GetNativeRegistrationSteps();

}  // namespace GSNatives
