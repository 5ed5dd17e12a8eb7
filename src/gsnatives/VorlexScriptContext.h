#pragma once
// VorlexScriptContext: the script context under which the program's script
// objects live and run. On top of GSContext it
//  - keeps the library objects its scripts asked for, one per library
//    asset, made on demand (GetScriptLibrary);
//  - is the delayed-initialisation manager of its scriptable objects;
//  - holds the context handle through which native plug-ins are loaded;
//  - offers its host nine hooks with neutral defaults;
//  - receives the natives of the script class VorlexScriptBase.
//
// The library objects and the asset objects are built by code of their own;
// that code installs how they are made (SetScriptLibraryFactory,
// SetAssetObjectCache, SetPluginContextRelease). While nothing is installed
// a context has no libraries (GetScriptLibrary logs "unable to find") and
// scripts get no asset objects.
//
// The host that runs scripts makes the context, runs the waiting clients'
// steps when it is ready and destroys the context. Used on the thread that
// runs its scripts.
#include <cstdint>

#include "assetdb/specs/SpecHandle.h"
#include "assetdb/worlds/WorldList.h"
#include "engine/PString.h"
#include "foundation/base/IdentifiableType.h"
#include "foundation/kuid/KUID.h"
#include "foundation/text/TTimeDate.h"
#include "foundation/soups/SoupHandle.h"
#include "gsnatives/DelayedInitManager.h"
#include "gsruntime/GSContext.h"

class WorldListItem;

namespace GSRuntime {
class GSObject;
class GSStack;
}  // namespace GSRuntime

namespace GSNatives {

class GSOLibrary;
class ScriptableObject;
class VorlexScriptContext;

// How library objects are made and found, installed by the library-object
// code. Every function must be set for a factory to be used.
struct ScriptLibraryFactory {
    // The valid, loaded AssetSpec of a library asset; empty for any other.
    SpecHandle (*findLibrarySpec)(const KUID& kuid) = nullptr;
    // The library's "shared" flag: the object is taken from the parent
    // context.
    bool (*isShared)(AssetSpec* spec) = nullptr;
    // A new library object of `spec` for `context`, or null.
    GSOLibrary* (*create)(AssetSpec* spec, VorlexScriptContext* context) = nullptr;
    // The object's script initialisation (does nothing the second time).
    void (*callScriptInit)(GSOLibrary* library) = nullptr;
    // The two other views of a library object.
    ScriptableObject* (*asScriptable)(GSOLibrary* library) = nullptr;
    WorldListItem* (*asListItem)(GSOLibrary* library) = nullptr;
    // The library object of a list item; null for an item of another kind.
    GSOLibrary* (*fromListItem)(WorldListItem* item) = nullptr;
};

// The per-context cache of asset objects, installed by the asset-object
// code.
struct AssetObjectCache {
    // The context's asset object of a KUID (made on first use), or null.
    GSRuntime::GSObject* (*get)(VorlexScriptContext* context, const KUID& kuid) = nullptr;
    // Drops a context's entries; called while the context is destroyed.
    void (*purge)(VorlexScriptContext* context) = nullptr;
};

class VorlexScriptContext : public GSRuntime::GSContext, public DelayedInitManager, public IdentifiableType {
public:
    static constexpr int32_t kBuild = 47059;
    static constexpr float kVersion = 3.5f;

    // A context with a router (scripts cannot run in one without).
    explicit VorlexScriptContext(bool shared = false);
    // Deletes every library object, releases the plug-in context, drops
    // the context's asset and KUID objects from their caches, lets the
    // waiting clients go, then tears the GSContext down.
    ~VorlexScriptContext() override;

    static void* operator new(std::size_t size) noexcept { return GSContext::operator new(size); }
    static void operator delete(void* block) noexcept { GSContext::operator delete(block); }

    // ---- the host's hooks ----
    virtual void SetSystemMenuIcon(GSOLibrary* library, const KUID& asset, const Vek::PString& text1,
                                   const Vek::PString& text2, bool flag);
    virtual void BlinkSystemMenuIcon(GSOLibrary* library, int value);
    virtual void ShowSystemMenuIconMenu(GSOLibrary* library, GSRuntime::GSStack* stack);
    virtual void HideSystemMenuIconMenu(GSOLibrary* library, GSRuntime::GSStack* stack);
    // Whether the context admits the asset; every asset by default.
    virtual bool Query(const KUID& asset);
    // By default the argument soup goes to the log and `result` is empty.
    virtual void SystemCall(SoupHandle& result, const Vek::PString& name, const SoupHandle& arguments);
    // False by default.
    virtual bool OpenURL(const Vek::PString& url);
    virtual void OnLibraryCreated(GSOLibrary* library);
    // Null by default.
    virtual VorlexScriptContext* GetParentContext();

    // The library object of a library asset in this context, made on first
    // request; null (with a log line) when there is none. The list keeps the
    // object; the caller gets no reference of its own.
    GSOLibrary* GetScriptLibrary(const KUID& kuid);

    bool IsLibraryListLocked() const { return m_libraryListLocked != 0; }
    void SetLibraryListLocked(bool locked) { m_libraryListLocked = locked ? 1 : 0; }
    WorldList& GetLibraryList() { return m_libraries; }

    // The context's asset object of a KUID through the installed cache;
    // null without one.
    GSRuntime::GSObject* GetAssetObject(const KUID& kuid);

    // The handle passed to native plug-ins; the context releases it.
    void* GetPluginContext() const { return m_pluginContext; }
    void SetPluginContext(void* pluginContext) { m_pluginContext = pluginContext; }

    // The scriptable object of a library object (through the installed
    // factory); null for null or without a factory.
    static ScriptableObject* GetLibraryObject(GSOLibrary* library);

    static void SetScriptLibraryFactory(const ScriptLibraryFactory& factory);
    static void SetAssetObjectCache(const AssetObjectCache& cache);
    // Releases a plug-in context (its two handles, then itself).
    static void SetPluginContextRelease(void (*release)(void* pluginContext));

    // ---- the natives of VorlexScriptBase (arguments from local slot 1) ----
    void NativeGetSeconds(GSRuntime::GSStack* stack);
    void NativeGetNormalizedSystemTime(GSRuntime::GSStack* stack);
    void NativeGetSystemYear(GSRuntime::GSStack* stack);
    void NativeGetSystemMonth(GSRuntime::GSStack* stack);
    void NativeGetSystemDate(GSRuntime::GSStack* stack);
    void NativeGetSystemHour(GSRuntime::GSStack* stack);
    void NativeGetSystemMinute(GSRuntime::GSStack* stack);
    void NativeGetSystemSecond(GSRuntime::GSStack* stack);
    void NativeGetLibrary(GSRuntime::GSStack* stack);
    void NativeVorlexSystemCall(GSRuntime::GSStack* stack);
    void NativeOpenURL(GSRuntime::GSStack* stack);
    void NativeLog(GSRuntime::GSStack* stack);
    void NativeGetVorlexVersion(GSRuntime::GSStack* stack);
    void NativeGetVorlexBuild(GSRuntime::GSStack* stack);
    void NativeCloneKUID(GSRuntime::GSStack* stack);

private:
    uint32_t m_libraryListLocked = 0;
    WorldList m_libraries;
    void* m_pluginContext = nullptr;
};

// The local time of day as a fraction: (minutes x 60 + hours x 3600 +
// seconds) / 86400 + 0.5, less 1 when above 1, in single precision.
// Midnight gives 0.5, noon 1.0.
float NormalizedSystemTime(const TTimeDate& time);

// Registers the natives of VorlexScriptBase.
void RegisterVorlexScriptBaseNatives();

}  // namespace GSNatives
