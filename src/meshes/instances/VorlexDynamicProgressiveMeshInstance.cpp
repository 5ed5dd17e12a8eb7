#include "meshes/instances/VorlexDynamicProgressiveMeshInstance.h"

#include "engine/display/Display.h"
#include "engine/scene/ViewPort.h"
#include "meshes/definitions/VorlexProgressiveMeshDefinition.h"

using namespace Vek;

void VorlexDynamicProgressiveMeshInstance::InitSkinnedFromResource(Resource* resource,
                                                                   VorlexIndexedMeshDefinition* definition) {
    m_progressiveDefinition = dynamic_cast<VorlexProgressiveMeshDefinition*>(definition);
    InitSkin(*this, resource, definition);
}

Particle* VorlexDynamicProgressiveMeshInstance::CreateInstance() const {
    auto* copy = new VorlexDynamicProgressiveMeshInstance(m_renderKernel, *this);
    copy->VorlexProgressiveMeshInstance::InitInstance(*this);
    copy->CopySkin(*copy);
    return copy;
}

void VorlexDynamicProgressiveMeshInstance::PoseChunks(uint32_t stamp) { PoseSkin(*this, stamp); }

void VorlexDynamicProgressiveMeshInstance::Render(ViewPort* viewPort, uint32_t pass, const Matrix4& matrix) {
    PoseChunks(viewPort ? viewPort->GetFrameNumber() : 0);
    VorlexProgressiveMeshInstance::Render(viewPort, pass, matrix);
}

void VorlexDynamicProgressiveMeshInstance::RenderGeometry(Display* display, ViewPort* viewPort, const Matrix4& matrix,
                                                          bool lit) {
    PoseChunks(display ? display->GetFrameNumber() : 0);
    VorlexProgressiveMeshInstance::RenderGeometry(display, viewPort, matrix, lit);
}
