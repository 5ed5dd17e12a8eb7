#include "meshes/materials/VorlexGroundBaseMaterial.h"

#include "engine/display/Display.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/PackedVertex.h"
#include "meshes/materials/LayoutVertexType.h"

namespace Vek {

void VorlexGroundBaseMaterial::InitInstance(const Material& from) {
    OneTextureMaterial::InitInstance(from);
    if (const auto* ground = dynamic_cast<const VorlexGroundBaseMaterial*>(&from)) {
        m_depthWrite = ground->m_depthWrite;
        m_alphaTest = ground->m_alphaTest;
    }
}

bool VorlexGroundBaseMaterial::Equals(const Material& other) const {
    const auto* ground = dynamic_cast<const VorlexGroundBaseMaterial*>(&other);
    return ground && typeid(*ground) == typeid(*this) && ground->m_depthWrite == m_depthWrite &&
           ground->m_alphaTest == m_alphaTest && OneTextureMaterial::Equals(other);
}

void VorlexGroundBaseMaterial::Bind(Display* display, int, int last) {
    if (last == 0) SetDisplayState(display);
}

void VorlexGroundBaseMaterial::Unbind(Display* display, int, int last) {
    if (last == 0) ClearDisplayState(display);
}

void VorlexGroundBaseMaterial::SetDisplayState(Display* display) {
    if (!display) return;
    OneTextureMaterial::SetDisplayState(display);
    m_savedAlphaTest = display->GetAlphaTestMode();
    display->SetAlphaTestMode(m_alphaTest);
    display->SetDepthWriteMode(m_depthWrite);
}

void VorlexGroundBaseMaterial::ClearDisplayState(Display* display) {
    if (!display) return;
    OneTextureMaterial::ClearDisplayState(display);
    display->SetAlphaTestMode(m_savedAlphaTest);
    display->SetDepthWriteMode(true);
}

GeometryChunk* VorlexOneTexNoAlphaMaterial::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount,
                                                                uint32_t indexCount, uint32_t faceNormalCount,
                                                                int primitiveType, const StandardChunkHint* givenHint) {
    if (GeometryChunk::PrimitiveCode(primitiveType) < 0) return nullptr;
    StandardChunkHint hint;
    if (givenHint) hint = *givenHint;
    bool shared = false;
    bool separateNormals = false;
    Display* display = GetDisplay();
    if (givenHint && (hint.flags & StandardChunkHint::kFlagSoftwareLighting)) {
        shared = (hint.options & StandardChunkHint::kOptionShared) != 0;
        separateNormals = (hint.options & StandardChunkHint::kOptionSeparateNormals) != 0;
        if (shared && !(hint.options & StandardChunkHint::kOptionSharedBuffer) && display &&
            display->HasCapability(DisplayProfile::kCapabilitySharedVertexBuffers))
            hint.options |= StandardChunkHint::kOptionSharedBuffer;
    }
    const uint32_t typeWord = GeometryChunk::MakeTypeWord(primitiveType, givenHint ? &hint : nullptr);
    const uint32_t flags = MakeGeometryChunkFlags(primitiveType, givenHint ? &hint : nullptr);
    GeometryChunk* chunk;
    if (separateNormals)
        chunk = new GeometryChunkNmlTemplate<PackedVertexPCT>(vertexCount, faceCount, indexCount, faceNormalCount, typeWord, flags);
    else
        chunk = new GeometryChunkTemplate<PackedVertexPNT>(vertexCount, faceCount, indexCount, faceNormalCount, typeWord, flags);
    if (givenHint && (hint.vertexUsage == 1 || (shared && hint.vertexUsage == 2))) chunk->SetVertexDataDynamic(0, -2, true);
    if (shared || separateNormals) chunk->SetVertexDataShared(0, 0, false);
    if (givenHint && hint.indexUsage == 1) chunk->SetIndexDataDynamic(true);
    AttachLayoutVertexType(display, chunk);
    return chunk;
}

void VorlexOneTexNoAlphaMaterial::SetDisplayState(Display* display) {
    if (!display) return;
    VorlexGroundBaseMaterial::SetDisplayState(display);
    display->SetColorMaterialMode(kColorMaterialMode);
}

void VorlexOneTexNoAlphaMaterial::ClearDisplayState(Display* display) {
    if (!display) return;
    VorlexGroundBaseMaterial::ClearDisplayState(display);
    display->SetColorMaterialMode(0);
}

void VorlexOneTexNoAlphaMaterial::RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                              const DisplayLightList& lights, const DisplayMatrix& world) {
    Material::RenderChunk(display, viewport, chunk, lights, world);
}

}  // namespace Vek
