#pragma once
// Compiling the source text that a scriptable object carries itself into
// the class "CustomObject".
//
// The text is written to a temporary source in the "cache" folder of the
// user data folder (the current folder while no user data folder is set),
// compiled next to it into a library, which is registered with the script
// machine and loaded; the source and the library file are deleted
// afterwards, whatever the outcome. Both files carry the process id in
// their names ("temp_object_<pid>.gs"), so that processes of one
// installation never compile or delete each other's files.
#include <string>

#include "engine/AnsiString.h"
#include "engine/PString.h"

class AssetSpec;

namespace GSRuntime {
class GSClass;
class GSLibrary;
}  // namespace GSRuntime

class GSCompileLog;

namespace GSNatives {

// The folder of the temporary files: U + "cache", or "" (the current
// folder) while no user data folder is set.
std::string CustomObjectFolder();
// "temp_object_<pid>" of this process (without extension).
std::string CustomObjectBaseName();

// The class "CustomObject" compiled from `text` with the include folders of
// the asset of `spec`; null when the text does not compile, has no such
// class, or the temporary file cannot be written.
GSRuntime::GSClass* CompileCustomObjectClass(const Vek::String& text, AssetSpec& spec);

// Compiles the temporary source of `folder` with the include folders
// `folder`, the asset folder `assetPath` (searched in the resource database
// `archiveName`) and the root "scripts", in that order; the include list is
// emptied afterwards. Without errors the library is registered, loaded and
// its file deleted. The loaded library; null otherwise.
GSRuntime::GSLibrary* CompileTempObject(const std::string& folder, const Vek::PString& archiveName,
                                        const std::string& assetPath, GSCompileLog* log);

}  // namespace GSNatives
