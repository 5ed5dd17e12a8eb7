#include <string>

#include "engine/Resource.h"
#include "engine/ResourceDatabase.h"
#include "engine/ResourceSystem.h"
#include "engine/resources/ResourceName.h"
#include "engine/resources/ResourceTypeBase.h"
#include "engine/resources/ResourceTypeRegistry.h"

namespace Vek {

Resource* ResourceDatabase::GetResource(const char* name, int mode) {
    std::string canonical;
    if (!ResourceName::Confine(name, canonical)) return nullptr;
    AutoReference<ResourceTypeBase> type(ResourceTypeRegistry::FindForName(canonical.c_str()));
    if (!type) return nullptr;
    PString key(canonical.c_str());
    ResourceSystem* system = ResourceSystem::GetCurrent();
    if (system) {
        if (Resource* cached = system->FindInCache(type->GetTypeName(), key, this)) return cached;
    }
    if (mode != kLookupCreate) return nullptr;
    Resource* made = type->Create(key, this);
    if (made && system) system->AddToCache(made);
    return made;
}

}  // namespace Vek
