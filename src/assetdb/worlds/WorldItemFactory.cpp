#include "assetdb/worlds/WorldItemFactory.h"

#include "assetdb/worlds/WorldFactoryItem.h"
#include "engine/DynamicArray.h"

namespace {

using Registry = Vek::FastDynamicArray<WorldItemFactory*, 13>;

// Made with the first registration and freed with the last.
Registry* g_registry = nullptr;

}  // namespace

WorldItemFactory::WorldItemFactory(uint32_t factoryType, const Vek::PString& name)
    : m_factoryType(factoryType), m_name(name) {
    if (!g_registry) g_registry = new Registry();
    g_registry->Add(this);
}

WorldItemFactory::~WorldItemFactory() {
    if (!g_registry) return;
    auto it = g_registry->Find(this);
    if (it) g_registry->RemoveOrdered(it);
    if (g_registry->IsEmpty()) {
        delete g_registry;
        g_registry = nullptr;
    }
}

std::size_t WorldItemFactory::RegisteredCount() { return g_registry ? g_registry->Count() : 0; }

std::unique_ptr<WorldFactoryItem> CreateWorldItem(uint32_t factoryType, void* factoryContext, TStream& stream) {
    if (!g_registry) return nullptr;
    for (WorldItemFactory* factory : *g_registry)
        if (factory->GetFactoryType() == factoryType) return factory->Create(factoryContext, stream);
    return nullptr;
}
