#include "assetdb/worlds/WorldListValues.h"

namespace {

KUID g_loadingKUID;
void* g_factoryContext = nullptr;
int32_t g_listValue = -1;

}  // namespace

const KUID& WorldListValues::LoadingKUID() { return g_loadingKUID; }
void* WorldListValues::FactoryContext() { return g_factoryContext; }
int32_t WorldListValues::ListValue() { return g_listValue; }

WorldListValues::Scope::Scope(const KUID& kuid, void* factoryContext, int32_t listValue) {
    g_loadingKUID = kuid;
    g_factoryContext = factoryContext;
    g_listValue = listValue;
}

WorldListValues::Scope::~Scope() {
    g_loadingKUID = KUID();
    g_factoryContext = nullptr;
    g_listValue = -1;
}
