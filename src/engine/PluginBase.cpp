#include "engine/PluginBase.h"

#include <strings.h>

#include <mutex>
#include <vector>

#include "engine/PluginType.h"

namespace Vek {

namespace {

struct Registry {
    std::mutex lock;
    std::vector<PluginType*> types;  // each with the registry's reference
};

// Never destroyed, so that a type released during exit finds it intact.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

bool Matches(const PluginType* type, const char* typeName, const char* id) {
    return strcasecmp(type->GetTypeName().c_str(), typeName) == 0 && strcasecmp(type->GetId().c_str(), id) == 0;
}

}  // namespace

bool PluginBase::RegisterPluginType(PluginType* type) {
    if (!type || type->GetTypeName().IsEmpty() || type->GetId().empty()) return false;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> hold(registry.lock);
    for (const PluginType* known : registry.types)
        if (Matches(known, type->GetTypeName().c_str(), type->GetId().c_str())) return false;
    try {
        registry.types.push_back(type);
    } catch (...) {
        return false;
    }
    type->AddReference();
    return true;
}

bool PluginBase::UnregisterPluginType(PluginType* type) {
    PluginType* found = nullptr;
    {
        Registry& registry = TheRegistry();
        std::lock_guard<std::mutex> hold(registry.lock);
        for (auto it = registry.types.begin(); it != registry.types.end(); ++it) {
            if (*it == type) {
                found = *it;
                registry.types.erase(it);
                break;
            }
        }
    }
    if (!found) return false;
    found->ReleaseReference();  // outside the lock: it may delete the type
    return true;
}

PluginType* PluginBase::LookupPluginType(const char* typeName, const char* id) {
    if (!typeName || !id) return nullptr;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> hold(registry.lock);
    for (PluginType* type : registry.types) {
        if (Matches(type, typeName, id)) {
            type->AddReference();
            return type;
        }
    }
    return nullptr;
}

std::size_t PluginBase::CountPluginTypes() {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> hold(registry.lock);
    return registry.types.size();
}

}  // namespace Vek
