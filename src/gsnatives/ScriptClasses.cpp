#include "gsnatives/ScriptClasses.h"

#include "gsruntime/GSCoreClasses.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"

namespace GSNatives {

namespace {

constexpr ScriptClassSource kSources[kScriptClassCount] = {
    {"KUID", "kuid.gsl"},
    {"Soup", "Soup.gsl"},
    {"HTMLBuffer", "HTMLBuffer.gsl"},
    {"KUIDList", "KUIDList.gsl"},
    {"StringTable", "StringTable.gsl"},
    {"Asset", "asset.gsl"},
    {"VorlexGameObject", "VorlexGameObject.gsl"},
    {"OnlineAccess", "OnlineAccess.gsl"},
    {"OnlineGroup", "OnlineGroup.gsl"},
    {"Image", "Image.gsl"},
    {"Library", "Library.gsl"},
    {"SecurityToken", "SecurityToken.gsl"},
    {"ConstructorsBase", "Constructors.gsl"},
};

GSRuntime::GSClass* g_classes[kScriptClassCount] = {};
GSRuntime::GSClass* g_gameObject = nullptr;

uint32_t Index(ScriptClass which) { return static_cast<uint32_t>(which); }

}  // namespace

const ScriptClassSource& GetScriptClassSource(ScriptClass which) { return kSources[Index(which)]; }

GSRuntime::GSClass* GetScriptClass(ScriptClass which) { return g_classes[Index(which)]; }

GSRuntime::GSClass* GetGameObjectClass() { return g_gameObject; }

bool FindGSClassInLibrary(const char* libraryFile, const char* className, GSRuntime::GSClass*& out) {
    out = nullptr;
    GSRuntime::GSMachine* machine = GSRuntime::GSMachine::Instance();
    GSRuntime::GSLibrary* library = machine->GetLibraryByName(libraryFile);
    if (!library) return false;
    out = library->FindClass(className);
    return out != nullptr;
}

bool ResolveScriptClass(ScriptClass which) {
    const ScriptClassSource& source = GetScriptClassSource(which);
    return FindGSClassInLibrary(source.libraryFile, source.className, g_classes[Index(which)]);
}

bool ResolveGameObjectClass() { return FindGSClassInLibrary(GSRuntime::kGSCoreLibrary, "GameObject", g_gameObject); }

}  // namespace GSNatives
