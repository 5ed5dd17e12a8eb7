#include "engine/resources/UnusedResources.h"

#include "engine/RenderKernel.h"
#include "engine/ResourceSystem.h"
#include "engine/textures/TextureManager.h"

namespace Vek {

std::size_t DumpUnusedResources(ResourceSystem* system, RenderKernel* kernel) {
    TextureManager* textures = kernel ? kernel->GetTextureManager() : nullptr;
    std::size_t dropped = 0;
    for (;;) {
        if (system) dropped += system->DumpUnusedResourcesFromCache();
        const std::size_t texturesDropped = textures ? textures->DumpUnused() : 0;
        if (texturesDropped == 0) return dropped;
        dropped += texturesDropped;
    }
}

}  // namespace Vek
