#include "meshes/instances/VorlexProgressiveMeshInstance.h"

#include "engine/RenderKernel.h"
#include "meshes/definitions/VorlexProgressiveMeshDefinition.h"

using namespace Vek;

void VorlexProgressiveMeshInstance::InitFromResource(Resource* resource, VorlexIndexedMeshDefinition* definition) {
    m_progressiveDefinition = dynamic_cast<VorlexProgressiveMeshDefinition*>(definition);
    VorlexIndexedMeshInstance::InitFromResource(resource, definition);
}

void VorlexProgressiveMeshInstance::SetDefinition(VorlexIndexedMeshDefinition* definition) {
    VorlexIndexedMeshInstance::SetDefinition(definition);
}

Particle* VorlexProgressiveMeshInstance::CreateInstance() const {
    auto* copy = new VorlexProgressiveMeshInstance(m_renderKernel);
    copy->InitInstance(*this);
    return copy;
}

void VorlexProgressiveMeshInstance::InitInstance(const VorlexProgressiveMeshInstance& source) {
    VorlexIndexedMeshInstance::InitInstance(source);
    m_progressiveDefinition = source.m_progressiveDefinition;
    MakeAllChunksPrivate();
}

void VorlexProgressiveMeshInstance::MakeAllChunksPrivate() {
    MakeChunkArrayPrivate();
    for (uint32_t i = 0; i < m_chunkCount; ++i) PrepareClone(ReplaceByClone(i), GetDisplay());
}
