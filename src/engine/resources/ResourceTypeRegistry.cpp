#include "engine/resources/ResourceTypeRegistry.h"

#include <mutex>
#include <vector>

#include "engine/resources/ResourceName.h"
#include "engine/resources/ResourceTypeBase.h"

namespace Vek {

namespace {

std::mutex g_lock;
std::vector<ResourceTypeBase*>& Types() {
    static std::vector<ResourceTypeBase*> types;  // each with the registry's reference
    return types;
}

ResourceTypeBase* LongestMatch(const std::string& name) {
    ResourceTypeBase* best = nullptr;
    std::size_t bestLength = 0;
    for (ResourceTypeBase* type : Types()) {
        std::string suffix = type->GetTypeName().c_str();
        if (suffix.size() > bestLength && ResourceName::HasSuffix(name, suffix)) {
            best = type;
            bestLength = suffix.size();
        }
    }
    return best;
}

}  // namespace

bool ResourceTypeRegistry::Register(ResourceTypeBase* type) {
    if (!type || type->GetTypeName().IsEmpty()) return false;
    std::lock_guard<std::mutex> hold(g_lock);
    for (ResourceTypeBase* known : Types())
        if (known->GetTypeName().EqualsIgnoreCase(type->GetTypeName())) return false;
    Types().push_back(type);
    type->AddReference();
    return true;
}

bool ResourceTypeRegistry::Unregister(ResourceTypeBase* type) {
    std::lock_guard<std::mutex> hold(g_lock);
    auto& types = Types();
    for (auto it = types.begin(); it != types.end(); ++it) {
        if (*it == type) {
            types.erase(it);
            type->ReleaseReference();
            return true;
        }
    }
    return false;
}

ResourceTypeBase* ResourceTypeRegistry::FindForName(const char* fileName) {
    if (!fileName || !*fileName) return nullptr;
    std::string name(fileName);
    std::lock_guard<std::mutex> hold(g_lock);
    ResourceTypeBase* found = LongestMatch(name);
    if (!found && !ResourceName::HasSuffix(name, "txt")) {
        // The text form counts only through a type that names more than
        // ".txt", so a bare "txt" type does not take every name.
        found = LongestMatch(name + ".txt");
        if (found && found->GetTypeName().Length() <= 3) found = nullptr;
    }
    if (found) found->AddReference();
    return found;
}

ResourceTypeBase* ResourceTypeRegistry::FindByTypeName(const char* typeName) {
    if (!typeName) return nullptr;
    std::lock_guard<std::mutex> hold(g_lock);
    for (ResourceTypeBase* type : Types()) {
        if (type->GetTypeName().EqualsIgnoreCase(typeName)) {
            type->AddReference();
            return type;
        }
    }
    return nullptr;
}

std::size_t ResourceTypeRegistry::Count() {
    std::lock_guard<std::mutex> hold(g_lock);
    return Types().size();
}

void ResourceTypeRegistry::Clear() {
    std::vector<ResourceTypeBase*> dropped;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        dropped.swap(Types());
    }
    for (ResourceTypeBase* type : dropped) type->ReleaseReference();
}

}  // namespace Vek
