#pragma once
// GSOAsset: the native holder of a script "Asset" value, through which
// scripts read the facts of one installed asset.
//
// Within one script context there is at most one object per KUID: a
// process-wide cache, keyed by context and installed KUID, hands out the
// existing object and holds the creation count of every object it made, so
// cached objects live until their context ends (PurgeContext). A second,
// process-wide map remembers each requested KUID whose installed KUID
// differed (or that is not installed, mapped to the null KUID); it is
// emptied whenever any context ends.
//
// The information record, the configuration soup, the AssetSpec and the
// string table are loaded on first need and kept. The daemon is reached
// through the table of AssetRequests.h. The cache takes no lock: all
// script work runs on one thread.
#include "assetdb/assetinfo/VADAssetInfo.h"
#include "assetdb/specs/SpecHandle.h"
#include "engine/File.h"
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"
#include "gsruntime/GSObject.h"

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

namespace GSNatives {

class GSOStringTable;

class GSOAsset : public GSRuntime::GSObject {
public:
    // Leaves the cache (an object that ends with its context's instances,
    // not by PurgeContext, must not stay behind in it), then releases the
    // string table's count, the configuration and the AssetSpec.
    ~GSOAsset() override;

    // The context's object of `kuid`, with one count on its script instance
    // for the caller. Null for the null KUID, a KUID that is not installed
    // (remembered until a context ends), one the context does not admit
    // (VorlexScriptContext::Query), and when the script-object heap has no
    // room or the class "Asset" is not bound.
    static GSOAsset* GetOrCreate(GSRuntime::GSContext* context, const KUID& kuid);
    // Deletes every object of `context` and forgets the context, then
    // empties the whole resolution map.
    static void PurgeContext(GSRuntime::GSContext* context);
    // GetOrCreate's object's script reference (with the caller's count);
    // 0 when there is none.
    static GSRuntime::GSDataRef GetScriptReference(const KUID& kuid, GSRuntime::GSContext* context);
    // Number of objects cached for `context`.
    static std::size_t CachedCount(GSRuntime::GSContext* context);

    // Binds the class "Asset" of "asset.gsl"; false when it is missing.
    static bool ResolveScriptClass();
    static GSRuntime::GSClass* GetScriptClass();

    const KUID& GetKUID() const { return m_kuid; }

    // The information record, asked of the daemon once (all details) and
    // kept whatever it answered, until SetIsFavorite.
    VADAssetInfo& EnsureInfo();
    // The configuration soup, asked of the daemon while it is null or has
    // no tags.
    const SoupHandle& EnsureConfig();
    // The base AssetSpec, asked once it is needed; empty when there is none.
    SpecHandle GetSpec();
    // The KUID under `name` in "kuid-table", else in "optional-kuid-table";
    // the null KUID when neither has it.
    KUID LookupKUIDTableEntry(const Vek::PString& name);

    // The natives, in registration order (RegisterAssetNatives).
    void NativeGetKUID(GSRuntime::GSStack* stack);
    void NativeGetLocalisedName(GSRuntime::GSStack* stack);
    void NativeGetLocalisedDescription(GSRuntime::GSStack* stack);
    void NativeGetCreatorName(GSRuntime::GSStack* stack);
    void NativeLookupKUIDTable(GSRuntime::GSStack* stack);
    void NativeFindAsset(GSRuntime::GSStack* stack);
    void NativeGetStringTable(GSRuntime::GSStack* stack);
    void NativeGetConfigSoup(GSRuntime::GSStack* stack);
    void NativeGetDependencyList(GSRuntime::GSStack* stack);
    void NativeSupportsVorlexBuildVersion(GSRuntime::GSStack* stack);
    void NativeLoadImage(GSRuntime::GSStack* stack);
    void NativeIsLocallyModified(GSRuntime::GSStack* stack);
    void NativeGetInfoURL(GSRuntime::GSStack* stack);
    void NativeGetIsFavorite(GSRuntime::GSStack* stack);
    void NativeSetIsFavorite(GSRuntime::GSStack* stack);
    void NativeGetParent(GSRuntime::GSStack* stack);
    void NativeGetCategoryEra(GSRuntime::GSStack* stack);
    void NativeGetCategoryRegion(GSRuntime::GSStack* stack);
    void NativeGetSessionRuleData(GSRuntime::GSStack* stack);
    void NativeIsBuiltIn(GSRuntime::GSStack* stack);
    void NativeIsOnTheFetchport(GSRuntime::GSStack* stack);

private:
    GSOAsset(GSRuntime::GSContext* context, const KUID& kuid);

    // The argument-1 table name, lower-cased, and its entry; false after a
    // script exception (a bad name, or no entry).
    bool LookupNamedEntry(GSRuntime::GSStack* stack, KUID& entry);

    SpecHandle m_spec;
    KUID m_kuid;
    // The context whose cache holds the object (null until cached).
    GSRuntime::GSContext* m_cacheContext = nullptr;
    bool m_infoLoaded = false;
    VADAssetInfo m_info;
    SoupHandle m_config;
    GSOStringTable* m_stringTable = nullptr;
};

// The file an asset image is read from: the folder of `location`, the
// asset's `folder` below it, then `name`. False, `path` empty, for a name
// that would leave the asset's folder (a ".." component, or an absolute
// name) and when the location's folder is unknown.
bool BuildAssetImagePath(const Vek::PString& location, const Vek::File::Path& folder, const char* name,
                         Vek::File::Path& path);

// Truncates toward zero to a 32-bit integer, saturating at the ends of the
// range; NaN gives 0.
int32_t TruncateToInt32(float value);

// Installs the asset objects as the asset object cache of product script
// contexts (whose end also drops their KUID objects), then registers the 21
// natives of the class "Asset" and the asset search natives of the class
// "VorlexScriptBase" (AssetSearchNatives.h).
void RegisterAssetNatives();

}  // namespace GSNatives
