#include "gsnatives/GSOAsset.h"

#include <cmath>
#include <cstdint>
#include <map>

#include "foundation/files/InstallFolders.h"
#include "foundation/files/PathRules.h"
#include "gsnatives/AssetRequests.h"
#include "gsnatives/AssetSearchNatives.h"
#include "gsnatives/GSOKUID.h"
#include "gsnatives/GSOKUIDList.h"
#include "gsnatives/GSOSoup.h"
#include "gsnatives/GSOStringTable.h"
#include "gsnatives/MemberNativeTable.h"
#include "gsnatives/ScriptClasses.h"
#include "gsnatives/VorlexScriptContext.h"
#include "gsnatives/image/GSOImage.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/natives/GSParamFetch.h"

namespace GSNatives {

using GSRuntime::GSContext;
using GSRuntime::GSDataRef;
using GSRuntime::GSScriptInstance;
using GSRuntime::GSStack;

namespace {

using AssetMap = std::map<KUID, GSOAsset*, KUIDLess>;

std::map<GSContext*, AssetMap>& ContextMap() {
    static std::map<GSContext*, AssetMap> map;
    return map;
}

std::map<KUID, KUID, KUIDLess>& ResolutionMap() {
    static std::map<KUID, KUID, KUIDLess> map;
    return map;
}

// Whether the context lets its scripts have the asset: a product context
// asks its host (Query); any other context admits every asset.
bool Admits(GSContext* context, const KUID& kuid) {
    auto* vorlexContext = dynamic_cast<VorlexScriptContext*>(context);
    return !vorlexContext || vorlexContext->Query(kuid);
}

// The asset object cache of product contexts: the object without a count
// of the caller's (the cache keeps it alive).
GSRuntime::GSObject* GetAssetObject(VorlexScriptContext* context, const KUID& kuid) {
    GSOAsset* asset = GSOAsset::GetOrCreate(context, kuid);
    if (asset) GSScriptInstance::ReleaseReference(asset->GetReference());
    return asset;
}

// A product context that ends drops its asset and KUID objects.
void PurgeObjects(VorlexScriptContext* context) {
    GSOAsset::PurgeContext(context);
    GSOKUID::PurgeContext(context);
}

// Adds the caller's count to a found object.
GSOAsset* Handed(GSOAsset* asset) {
    GSScriptInstance::AddRef(asset->GetReference());
    return asset;
}

// Pushes an object whose count the caller hands over; for null nothing is
// pushed, which gives the script null.
void PushHanded(GSStack* stack, GSRuntime::GSObject* object) {
    if (object) stack->PushNewObject(object, nullptr);
}

}  // namespace

GSOAsset::GSOAsset(GSContext* context, const KUID& kuid) : m_kuid(kuid) {
    m_info.asset = KUID();
    m_info.parent = KUID();
    BindClass(GetScriptClass(), context);
}

GSOAsset::~GSOAsset() {
    // A context that is no product context never purges its objects: they
    // end with its instances, and the cache must forget them then.
    auto& contexts = ContextMap();
    if (auto entry = contexts.find(m_cacheContext); m_cacheContext && entry != contexts.end()) {
        AssetMap& assets = entry->second;
        if (auto found = assets.find(m_kuid); found != assets.end() && found->second == this) {
            assets.erase(found);
            if (assets.empty()) contexts.erase(entry);
        }
    }
    if (m_stringTable) GSScriptInstance::ReleaseReference(m_stringTable->GetReference());
    m_stringTable = nullptr;
    m_config.Clear();
    m_spec.Release();
}

GSOAsset* GSOAsset::GetOrCreate(GSContext* context, const KUID& requested) {
    if (requested.IsNull()) return nullptr;
    KUID kuid = requested;
    auto& resolutions = ResolutionMap();
    if (auto mapped = resolutions.find(kuid); mapped != resolutions.end()) {
        kuid = mapped->second;
        if (kuid.IsNull()) return nullptr;
    }
    AssetMap& assets = ContextMap()[context];
    if (auto found = assets.find(kuid); found != assets.end()) return Handed(found->second);

    const KUID resolved = GetAssetRequests().resolveKuid(kuid);
    if (resolved != kuid) {
        resolutions[kuid] = resolved;
        if (resolved.IsNull()) return nullptr;
        kuid = resolved;
        if (auto found = assets.find(kuid); found != assets.end()) return Handed(found->second);
    }

    if (!Admits(context, kuid)) return nullptr;

    GSOAsset* asset = new GSOAsset(context, kuid);
    if (!asset) return nullptr;
    if (!asset->GetReference()) {
        delete asset;
        return nullptr;
    }
    assets[kuid] = asset;
    asset->m_cacheContext = context;
    return Handed(asset);
}

void GSOAsset::PurgeContext(GSContext* context) {
    auto& contexts = ContextMap();
    if (auto entry = contexts.find(context); entry != contexts.end()) {
        AssetMap& assets = entry->second;
        while (!assets.empty()) {
            GSOAsset* asset = assets.begin()->second;
            assets.erase(assets.begin());
            delete asset;
        }
        contexts.erase(entry);
    }
    ResolutionMap().clear();
}

GSDataRef GSOAsset::GetScriptReference(const KUID& kuid, GSContext* context) {
    GSOAsset* asset = GetOrCreate(context, kuid);
    return asset ? asset->GetReference() : 0;
}

std::size_t GSOAsset::CachedCount(GSContext* context) {
    auto& contexts = ContextMap();
    auto entry = contexts.find(context);
    return entry == contexts.end() ? 0 : entry->second.size();
}

bool GSOAsset::ResolveScriptClass() { return GSNatives::ResolveScriptClass(ScriptClass::Asset); }

GSRuntime::GSClass* GSOAsset::GetScriptClass() { return GSNatives::GetScriptClass(ScriptClass::Asset); }

VADAssetInfo& GSOAsset::EnsureInfo() {
    if (!m_infoLoaded) {
        GetAssetRequests().getAssetInfo(m_kuid, m_info, -1);
        m_infoLoaded = true;
    }
    return m_info;
}

const SoupHandle& GSOAsset::EnsureConfig() {
    if (m_config.IsEmpty() || m_config.Count() == 0) m_config = GetAssetRequests().getAssetConfig(m_kuid);
    return m_config;
}

SpecHandle GSOAsset::GetSpec() {
    if (!m_spec) m_spec = GetAssetRequests().getBaseSpec(m_kuid);
    return m_spec;
}

KUID GSOAsset::LookupKUIDTableEntry(const Vek::PString& name) {
    const SoupHandle& config = EnsureConfig();
    static const Vek::PString kTable("kuid-table");
    static const Vek::PString kOptionalTable("optional-kuid-table");
    const KUID entry = config.GetContainer(kTable).GetKUID(name, KUID());
    if (!entry.IsNull()) return entry;
    return config.GetContainer(kOptionalTable).GetKUID(name, KUID());
}

bool GSOAsset::LookupNamedEntry(GSStack* stack, KUID& entry) {
    Vek::PString name;
    if (!GSRuntime::GetPStringParam(stack, 1, false, name)) return false;
    name.ToLower();
    entry = LookupKUIDTableEntry(name);
    if (!entry.IsNull()) return true;
    GSRuntime::GSRaiseScriptException("Asset.LookupKUIDTable> unable to find '%s' in kuid-table\n", name.c_str());
    return false;
}

// ---- natives ----

void GSOAsset::NativeGetKUID(GSStack* stack) { PushKUID(stack, GetContext(), m_kuid); }

void GSOAsset::NativeGetLocalisedName(GSStack* stack) { stack->PushString(GetContext(), EnsureInfo().displayName); }

void GSOAsset::NativeGetLocalisedDescription(GSStack* stack) {
    stack->PushString(GetContext(), GetAssetRequests().getAssetDescription(m_kuid));
}

void GSOAsset::NativeGetCreatorName(GSStack* stack) { stack->PushPString(GetContext(), EnsureInfo().authorName); }

void GSOAsset::NativeLookupKUIDTable(GSStack* stack) {
    KUID entry;
    if (LookupNamedEntry(stack, entry)) PushKUID(stack, GetContext(), entry);
}

void GSOAsset::NativeFindAsset(GSStack* stack) {
    KUID entry;
    if (LookupNamedEntry(stack, entry)) PushHanded(stack, GetOrCreate(GetContext(), entry));
}

void GSOAsset::NativeGetStringTable(GSStack* stack) {
    SpecHandle spec = GetSpec();
    if (!spec) return;
    const SoupHandle& config = EnsureConfig();
    if (!m_stringTable) m_stringTable = GSOStringTable::Create(GetContext(), spec, config);
    if (m_stringTable) stack->PushObject(m_stringTable, nullptr);
}

void GSOAsset::NativeGetConfigSoup(GSStack* stack) {
    PushHanded(stack, GSOSoup::Create(GetContext(), EnsureConfig(), true));
}

void GSOAsset::NativeGetDependencyList(GSStack* stack) {
    KUIDArray dependencies;
    GetAssetRequests().getAssetDependencies(m_kuid, dependencies);
    PushHanded(stack, GSOKUIDList::CreateLocked(GetContext(), dependencies));
}

void GSOAsset::NativeSupportsVorlexBuildVersion(GSStack* stack) {
    float wanted = 0.0f;
    GSRuntime::GetFloatParam(stack, 1, wanted);
    const VADAssetInfo& info = EnsureInfo();
    const bool supported =
        info.found != 0 && TruncateToInt32(info.build * 100.0f) >= TruncateToInt32(wanted * 100.0f);
    stack->Push(supported ? 1u : 0u);
}

void GSOAsset::NativeLoadImage(GSStack* stack) {
    Vek::PString name;
    if (!GSRuntime::GetPStringParam(stack, 1, false, name)) return;
    name.ToLower();
    // Refused before the daemon is asked: the name comes from the script.
    Vek::PString location;
    Vek::File::Path folder;
    Vek::File::Path path;
    GSOImage* image = nullptr;
    if (IsPathInsideFolder(name.c_str()) && GetAssetRequests().getAssetLocation(m_kuid, location, folder) &&
        BuildAssetImagePath(location, folder, name.c_str(), path))
        image = GSOImage::LoadFromFile(GetContext(), Vek::PString(), path.c_str());
    stack->PushNewObject(image, nullptr);
}

void GSOAsset::NativeIsLocallyModified(GSStack* stack) {
    stack->Push(GetAssetRequests().isAssetLocallyModified(m_kuid) ? 1u : 0u);
}

void GSOAsset::NativeGetInfoURL(GSStack* stack) {
    static const Vek::PString kInfoURL("info-url");
    stack->PushPString(GetContext(), GetAssetRequests().getAssetConfig(m_kuid).GetString(kInfoURL));
}

void GSOAsset::NativeGetIsFavorite(GSStack* stack) {
    const uint8_t rating = EnsureInfo().localRating;
    stack->Push(rating == 4 || rating == 5 ? 1u : 0u);
}

void GSOAsset::NativeSetIsFavorite(GSStack* stack) {
    GetAssetRequests().setAssetFavorite(m_kuid, stack->Local(1) != 0);
    m_infoLoaded = false;
}

void GSOAsset::NativeGetParent(GSStack* stack) {
    const KUID parent = EnsureInfo().parent;
    if (parent.IsNull()) return;
    PushHanded(stack, GetOrCreate(GetContext(), parent));
}

void GSOAsset::NativeGetCategoryEra(GSStack* stack) { stack->PushString(GetContext(), EnsureInfo().categoryEra); }

void GSOAsset::NativeGetCategoryRegion(GSStack* stack) {
    stack->PushString(GetContext(), EnsureInfo().categoryRegion);
}

void GSOAsset::NativeGetSessionRuleData(GSStack* stack) {
    Vek::PString name;
    if (!GSRuntime::GetPStringParam(stack, 1, false, name)) return;
    name.ToLower();
    static const Vek::PString kRuleData("rule-data");
    const SoupHandle ruleData = EnsureConfig().GetContainer(kRuleData);
    if (!ruleData.HasTag(name)) return;
    PushHanded(stack, GSOSoup::Create(GetContext(), ruleData.GetContainer(name), true));
}

void GSOAsset::NativeIsBuiltIn(GSStack* stack) { stack->Push(GetAssetRequests().isAssetBuiltIn(m_kuid) ? 1u : 0u); }

void GSOAsset::NativeIsOnTheFetchport(GSStack* stack) {
    stack->Push((EnsureInfo().statusA & VADAssetInfo::kOnDownloadService) ? 1u : 0u);
}

bool BuildAssetImagePath(const Vek::PString& location, const Vek::File::Path& folder, const char* name,
                         Vek::File::Path& path) {
    path.Clear();
    if (!IsPathInsideFolder(name)) return false;
    Vek::File::Path result = GetLocationPath(location);
    if (result.IsEmpty()) return false;
    result.AddPath(folder.c_str());
    result.AddPath(name);
    path = result;
    return true;
}

int32_t TruncateToInt32(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return INT32_MAX;
    if (value <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(value);
}

void RegisterAssetNatives() {
    AssetObjectCache cache;
    cache.get = &GetAssetObject;
    cache.purge = &PurgeObjects;
    VorlexScriptContext::SetAssetObjectCache(cache);

    static const MemberNative<GSOAsset> kNatives[] = {
        {"$KUID@Asset::GetKUID()", &GSOAsset::NativeGetKUID},
        {"$string@Asset::GetLocalisedName()", &GSOAsset::NativeGetLocalisedName},
        {"$string@Asset::GetLocalisedDescription()", &GSOAsset::NativeGetLocalisedDescription},
        {"$string@Asset::GetCreatorName()", &GSOAsset::NativeGetCreatorName},
        {"$KUID@Asset::LookupKUIDTable(string)", &GSOAsset::NativeLookupKUIDTable},
        {"$Asset@Asset::FindAsset(string)", &GSOAsset::NativeFindAsset},
        {"$StringTable@Asset::GetStringTable()", &GSOAsset::NativeGetStringTable},
        {"$Soup@Asset::GetConfigSoup()", &GSOAsset::NativeGetConfigSoup},
        {"$KUIDList@Asset::GetDependencyList()", &GSOAsset::NativeGetDependencyList},
        {"$bool@Asset::SupportsVorlexBuildVersion(float)", &GSOAsset::NativeSupportsVorlexBuildVersion},
        {"$Image@Asset::LoadImage(string)", &GSOAsset::NativeLoadImage},
        {"$bool@Asset::IsLocallyModified()", &GSOAsset::NativeIsLocallyModified},
        {"$string@Asset::GetInfoURL()", &GSOAsset::NativeGetInfoURL},
        {"$bool@Asset::GetIsFavorite()", &GSOAsset::NativeGetIsFavorite},
        {"$void@Asset::SetIsFavorite(bool)", &GSOAsset::NativeSetIsFavorite},
        {"$Asset@Asset::GetParent()", &GSOAsset::NativeGetParent},
        {"$string@Asset::GetCategoryEra()", &GSOAsset::NativeGetCategoryEra},
        {"$string@Asset::GetCategoryRegion()", &GSOAsset::NativeGetCategoryRegion},
        {"$Soup@Asset::GetSessionRuleData(string)", &GSOAsset::NativeGetSessionRuleData},
        {"$bool@Asset::IsBuiltIn()", &GSOAsset::NativeIsBuiltIn},
        {"$bool@Asset::IsOnTheFetchport()", &GSOAsset::NativeIsOnTheFetchport},
    };
    RegisterMemberNatives("Asset", kNatives);
    RegisterAssetSearchNatives();
}

}  // namespace GSNatives
