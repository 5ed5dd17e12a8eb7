#include "gsnatives/AssetSearchNatives.h"

#include "foundation/log/LogPrintf.h"
#include "gsnatives/AssetRequests.h"
#include "gsnatives/AssetSearchFilters.h"
#include "gsnatives/GSOAsset.h"
#include "gsnatives/GSOKUID.h"
#include "gsruntime/GSArray.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/natives/GSCNativeFunction.h"
#include "gsruntime/natives/GSNativeRegistration.h"
#include "gsruntime/natives/GSParamFetch.h"

namespace GSNatives {

using GSRuntime::GSArray;
using GSRuntime::GSContext;
using GSRuntime::GSStack;

namespace {

// Fills a new array with the objects `make` gives (each with a count for
// the array), skipping the KUIDs it gives none for.
template <class Make>
GSArray* MakeArray(GSContext* context, const VADKuidList& kuids, GSRuntime::GSClass* cls, Make make) {
    GSArray* array = new GSArray(context, true);
    if (!array) return nullptr;
    int32_t index = 0;
    for (const KUID& kuid : kuids) {
        GSRuntime::GSObject* object = make(kuid);
        if (object && array->SetElementReference(index, object->GetReference(), false, cls)) ++index;
    }
    return array;
}

// The array's creation count goes to the stack; null when there is none.
void PushArray(GSStack* stack, GSArray* array) {
    if (!array) {
        stack->Push(0);
        return;
    }
    const GSRuntime::GSDataRef reference = array->GetReference();
    if (!stack->Push(reference)) GSRuntime::GSScriptInstance::ReleaseReference(reference);
}

VADKuidList Search(const VADFilterElement& filter) {
    VADKuidList results;
    GetAssetRequests().searchAssets(&filter, results);
    return results;
}

void FindAsset(GSContext* context, GSStack* stack) {
    GSOKUID* kuid = nullptr;
    if (!GSRuntime::GetParam<GSOKUID>(stack, 1, kuid)) return;
    if (GSOAsset* asset = GSOAsset::GetOrCreate(context, kuid->GetKUID()))
        stack->PushNewObject(asset, GSOAsset::GetScriptClass());
}

void SearchAssets(GSContext* context, GSStack* stack) {
    Vek::PString category;
    if (!GSRuntime::GetPStringParam(stack, 1, false, category)) return;
    const bool localOnly = stack->Local(2) != 0;
    PushArray(stack, MakeKUIDArray(context, Search(*BuildSearchAssetsFilter(category.c_str(), localOnly))));
}

void FindUpdatedAssets(GSContext* context, GSStack* stack) {
    VADKuidList latest;
    for (const KUID& kuid : Search(*BuildUpdatedAssetsFilter()))
        latest.Add(GetAssetRequests().getLatestKuid(kuid));
    PushArray(stack, MakeAssetArray(context, latest));
}

// Both GetAssetList forms; `typeWord` null for the one without.
void AssetList(GSContext* context, GSStack* stack, const Vek::PString& kind, const char* typeWord) {
    Vek::PString lowerKind(kind);
    lowerKind.ToLower();
    const Vek::String categoryClass = AssetListCategoryClass(kind.c_str(), typeWord);
    VADKuidList found;
    if (!categoryClass.IsEmpty()) found = Search(*BuildAssetListFilter(categoryClass.c_str(), typeWord == nullptr));
    if (found.Count() == 0) LogPrintf("World.GetAssetList> warning: found zero assets of type '%s'", lowerKind.c_str());
    PushArray(stack, MakeAssetArray(context, found));
}

void GetAssetList(GSContext* context, GSStack* stack) {
    Vek::PString kind;
    if (!GSRuntime::GetPStringParam(stack, 1, false, kind)) return;
    AssetList(context, stack, kind, nullptr);
}

void GetAssetListOfType(GSContext* context, GSStack* stack) {
    Vek::PString kind;
    Vek::PString typeWord;
    if (!GSRuntime::GetPStringParam(stack, 1, false, kind)) return;
    if (!GSRuntime::GetPStringParam(stack, 2, false, typeWord)) return;
    AssetList(context, stack, kind, typeWord.c_str());
}

}  // namespace

GSArray* MakeKUIDArray(GSContext* context, const VADKuidList& kuids) {
    return MakeArray(context, kuids, GSOKUID::GetScriptClass(),
                     [context](const KUID& kuid) { return GSOKUID::GetOrCreate(kuid, context); });
}

GSArray* MakeAssetArray(GSContext* context, const VADKuidList& kuids) {
    return MakeArray(context, kuids, GSOAsset::GetScriptClass(),
                     [context](const KUID& kuid) { return GSOAsset::GetOrCreate(context, kuid); });
}

void RegisterAssetSearchNatives() {
    struct Row {
        const char* signature;
        GSRuntime::GSCNativeFunction::Function function;
    };
    static const Row kRows[] = {
        {"$Asset@VorlexScriptBase::FindAsset(KUID)", &FindAsset},
        {"$Asset[]@VorlexScriptBase::GetAssetList(string)", &GetAssetList},
        {"$Asset[]@VorlexScriptBase::GetAssetList(string,string)", &GetAssetListOfType},
        {"$KUID[]@VorlexScriptBase::SearchAssets(string,bool)", &SearchAssets},
        {"$Asset[]@VorlexScriptBase::FindUpdatedAssets()", &FindUpdatedAssets},
    };
    const Vek::PString className("VorlexScriptBase");
    for (const Row& row : kRows)
        GSRuntime::GSRegisterNative(
            new GSRuntime::GSCNativeFunction(className, Vek::PString(row.signature), row.function));
}

}  // namespace GSNatives
