#include "meshes/materials/CreatePlugins.h"

#include <new>

#include "engine/resources/PluginEntry.h"
#include "engine/resources/ResourceTypeBase.h"
#include "meshes/materials/VorlexMaterialPlugins.h"
#include "meshes/resources/VorlexIndexedMeshLODResource.h"
#include "meshes/resources/VorlexIndexedMeshResource.h"
#include "meshes/resources/VorlexProgressiveMeshResource.h"

namespace Vek {

namespace {

template <typename T, typename... Args>
int HandNew(Args&&... args) {
    T* object = new (std::nothrow) T(std::forward<Args>(args)...);
    return object && PluginEntry::Hand(object) ? 1 : 0;
}

ResourceTypeMaker g_convertTextureTypeMaker = nullptr;

int HandMade(ResourceTypeMaker maker) {
    ResourceTypeBase* type = maker ? maker() : nullptr;
    return type && PluginEntry::Hand(type) ? 1 : 0;
}

}  // namespace

void SetConvertTextureResourceTypeMaker(ResourceTypeMaker maker) { g_convertTextureTypeMaker = maker; }

int CreateResourceTypes() {
    int handed = 0;
    // In this order: "im", "pm", "lm.txt", "lm" (both kLODMeshResourceUId),
    // "convert-tex.txt" (made by the asset tools, when start-up handed its maker).
    handed += HandNew<ResourceType<VorlexIndexedMeshResource>>("im", kIndexedMeshResourceUId);
    handed += HandNew<ResourceType<VorlexProgressiveMeshResource>>("pm", kProgressiveMeshResourceUId);
    handed += HandNew<ResourceType<VorlexIndexedMeshLODResource>>("lm.txt", kLODMeshResourceUId);
    handed += HandNew<ResourceType<VorlexIndexedMeshLODResource>>("lm", kLODMeshResourceUId);
    handed += HandMade(g_convertTextureTypeMaker);
    return handed;
}

int CreatePlugins() {
    int handed = 0;
    handed += HandNew<VorlexBumpGlossMaterialPlugin>();
    handed += HandNew<VorlexBumpMaterialPlugin>();
    handed += HandNew<VorlexBumpEnvMaterialPlugin>();
    handed += HandNew<VorlexOneTexNoAlphaMaterialPlugin>();
    handed += HandNew<VorlexGlossRustMaterialPlugin>();
    handed += HandNew<VorlexMultiPFXMaterialPlugin>();
    handed += HandNew<VorlexNoFogMaterialPlugin>();
    handed += CreateResourceTypes();
    return handed;
}

}  // namespace Vek

extern "C" void VekGetPlugins() { Vek::CreatePlugins(); }
