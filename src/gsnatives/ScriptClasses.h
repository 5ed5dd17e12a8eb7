#pragma once
// The script classes that native objects take on, bound once by the
// script-system set-up (InitializeScriptSystem.h) from the libraries of the
// "libraries" folder. Each stays null until bound; nothing unbinds them.
#include <cstdint>

namespace GSRuntime {
class GSClass;
}

namespace GSNatives {

// The bound classes, in the order the set-up binds them after GameObject.
enum class ScriptClass : uint32_t {
    KUID,
    Soup,
    HTMLBuffer,
    KUIDList,
    StringTable,
    Asset,
    VorlexGameObject,
    OnlineAccess,
    OnlineGroup,
    Image,
    Library,
    SecurityToken,
    ConstructorsBase,
};
constexpr uint32_t kScriptClassCount = 13;

struct ScriptClassSource {
    const char* className;
    const char* libraryFile;
};

// Class name and library file of each bound class, in binding order.
const ScriptClassSource& GetScriptClassSource(ScriptClass which);

// The bound class; null until bound.
GSRuntime::GSClass* GetScriptClass(ScriptClass which);
// The base class GameObject of "gs.gsl"; null until bound.
GSRuntime::GSClass* GetGameObjectClass();

// `out` = null; then the library of that registered file name (loaded and
// linked on first use) and in it the class of exactly that name. False
// when the library is unknown or fails to load, or has no such class.
bool FindGSClassInLibrary(const char* libraryFile, const char* className, GSRuntime::GSClass*& out);

// Binds one class into its slot (FindGSClassInLibrary); false when not found.
bool ResolveScriptClass(ScriptClass which);
bool ResolveGameObjectClass();

}  // namespace GSNatives
