#include "gsnatives/GSOKUID.h"

#include <map>
#include <tuple>

#include "assetdb/assetinfo/VADAssetInfoAccessors.h"
#include "gsnatives/MemberNativeTable.h"
#include "gsnatives/ScriptClasses.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"

namespace GSNatives {

using namespace GSRuntime;

namespace {

// The cache key: the KUID's three words and the context.
using CacheKey = std::tuple<int32_t, int32_t, int32_t, GSContext*>;

CacheKey KeyOf(const KUID& kuid, GSContext* context) {
    return CacheKey(kuid.GetUserID(), kuid.GetContentID(), kuid.GetVersion(), context);
}

std::map<CacheKey, GSOKUID*>& Cache() {
    static std::map<CacheKey, GSOKUID*> cache;
    return cache;
}

}  // namespace

GSOKUID::GSOKUID(GSContext* context, const KUID& kuid) : KUID(kuid), m_cacheContext(context) {
    BindClass(GetScriptClass(), context);
}

GSOKUID::~GSOKUID() {
    auto& cache = Cache();
    auto found = cache.find(KeyOf(*this, m_cacheContext));
    if (found != cache.end() && found->second == this) cache.erase(found);
}

GSOKUID* GSOKUID::GetOrCreate(const KUID& kuid, GSContext* context) {
    auto& cache = Cache();
    const CacheKey key = KeyOf(kuid, context);
    auto found = cache.find(key);
    if (found != cache.end()) {
        GSScriptInstance::AddRef(found->second->GetReference());
        return found->second;
    }
    GSOKUID* object = new GSOKUID(context, kuid);
    if (!object) return nullptr;
    if (!object->GetReference()) {
        delete object;
        return nullptr;
    }
    cache.emplace(key, object);
    return object;
}

void GSOKUID::PurgeContext(GSContext* context) {
    auto& cache = Cache();
    for (auto it = cache.begin(); it != cache.end();) {
        if (std::get<3>(it->first) != context) {
            ++it;
            continue;
        }
        GSOKUID* object = it->second;
        it = cache.erase(it);
        GSScriptInstance::AddRef(object->GetReference());
        delete object;
    }
}

std::size_t GSOKUID::CacheSize() { return Cache().size(); }

void GSOKUID::ResetCacheForTests() { Cache().clear(); }

bool GSOKUID::ResolveScriptClass() { return GSNatives::ResolveScriptClass(ScriptClass::KUID); }

GSClass* GSOKUID::GetScriptClass() { return GSNatives::GetScriptClass(ScriptClass::KUID); }

KUID GSOKUID::BaseOf(const KUID& kuid) {
    const int32_t user = kuid.GetUserID();
    const int32_t top = user >> 25;
    if (top != 0 && top != -1) return KUID();
    return KUID(user, kuid.GetContentID(), user >= 0 ? 0 : KUID::kMaxVersion);
}

void GSOKUID::NativeGetName(GSStack* stack) {
    stack->PushString(GetContext(), VADGetAssetUsername(GetKUID()));
}

void GSOKUID::NativeGetHTMLString(GSStack* stack) { stack->PushPString(GetContext(), ToTagString()); }

void GSOKUID::NativeGetLogString(GSStack* stack) { stack->PushPString(GetContext(), ToTagString()); }

void GSOKUID::NativeGetBaseString(GSStack* stack) { stack->PushPString(GetContext(), ToBaseTagString()); }

void GSOKUID::NativeGetBaseKUID(GSStack* stack) { PushKUID(stack, GetContext(), BaseOf(GetKUID())); }

void PushKUID(GSStack* stack, GSContext* context, const KUID& kuid) {
    GSOKUID* object = GSOKUID::GetOrCreate(kuid, context);
    stack->PushNewObject(object, nullptr);
}

void RegisterKUIDNatives() {
    static const MemberNative<GSOKUID> kNatives[] = {
        {"$string@KUID::GetName()", &GSOKUID::NativeGetName},
        {"$string@KUID::GetHTMLString()", &GSOKUID::NativeGetHTMLString},
        {"$string@KUID::GetLogString()", &GSOKUID::NativeGetLogString},
        {"$string@KUID::GetBaseString()", &GSOKUID::NativeGetBaseString},
        {"$KUID@KUID::GetBaseKUID()", &GSOKUID::NativeGetBaseKUID},
    };
    RegisterMemberNatives("KUID", kNatives);
}

}  // namespace GSNatives
