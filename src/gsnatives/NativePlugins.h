#pragma once
// Native plug-in libraries: shared objects in the installation's
// "bin/plugins" folder that offer functions to a library asset's script.
// Everything crosses through the handles of the native interface
// (VorlexNativeInterface.h). One process-wide lock serialises loading and
// the release of plug-in contexts.
#include "VorlexNativeInterface.h"

namespace GSNatives {

// The file suffix of a plug-in on this platform.
inline constexpr const char kPluginSuffix[] = ".so";

// True for a plug-in name that is one plain file name: not empty, neither
// "." nor "..", and without '/' or '\' (so never absolute). The name comes
// from downloaded content and becomes part of a path.
bool IsPluginNameSafe(const char* name);

// Loads the plug-in `name` from the plug-ins folder ("<name>.so", found
// without regard to case), calls its "VNIEntryPoint" with `context` and then
// the new library's function "Init" once (its answer is not looked at).
// Returns the library handle, owned by the caller. Null, silently, when the
// name is refused, the installation folder is unknown, the file does not
// load, has no entry point, or the entry point answers null or an object
// that is no library (which is released); a module that was opened is then
// closed again. A module whose library was handed out stays loaded for the
// rest of the process.
VNIObject* LoadNativePlugin(VNIObject* context, const char* name);

// Releases the objects a plug-in context carries (slot 1, then slot 0) and
// empties both slots, under the plug-in lock. The caller releases the
// context handle itself.
void ReleasePluginContext(VNIObject* context);

}  // namespace GSNatives
