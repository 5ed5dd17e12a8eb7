#include "meshes/materials/VorlexMultiPFXMaterial.h"

#include "engine/display/Display.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/PackedVertex.h"
#include "engine/textures/TextureResource.h"

namespace Vek {

VorlexMultiPFXMaterial::VorlexMultiPFXMaterial(MaterialManager* manager, RenderingCache* alphaBlend,
                                               RenderingCache* alphaMask, RenderingCache* materialChunk,
                                               uint32_t stage0State, uint32_t stage1State)
    : OneTextureMaterial(manager, alphaBlend, alphaMask, materialChunk, 0),
      m_stage0State(stage0State),
      m_stage1State(stage1State) {}

void VorlexMultiPFXMaterial::InitInstance(const Material& from) {
    OneTextureMaterial::InitInstance(from);
    if (const auto* pfx = dynamic_cast<const VorlexMultiPFXMaterial*>(&from)) {
        m_stage0State = pfx->m_stage0State;
        m_stage1State = pfx->m_stage1State;
    }
}

int VorlexMultiPFXMaterial::IsLoaded() const {
    if (!GetTexture(kSecondSlot)) return kNotLoaded;
    return OneTextureMaterial::IsLoaded();
}

void VorlexMultiPFXMaterial::Bind(Display* display, int, int last) {
    if (last == 0) SetDisplayState(display);
}

void VorlexMultiPFXMaterial::Unbind(Display* display, int, int last) {
    if (last == 0) ClearDisplayState(display);
}

GeometryChunk* VorlexMultiPFXMaterial::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount,
                                                           uint32_t indexCount, uint32_t faceNormalCount,
                                                           int primitiveType, const StandardChunkHint* hint) {
    if (GeometryChunk::PrimitiveCode(primitiveType) < 0) return nullptr;
    const uint32_t typeWord = GeometryChunk::MakeTypeWord(primitiveType, hint);
    const uint32_t flags = MakeGeometryChunkFlags(primitiveType, hint);
    auto* chunk = new GeometryChunkNmlTemplate<PackedVertexPCT>(vertexCount, faceCount, indexCount, faceNormalCount, typeWord, flags);
    if (hint && hint->vertexUsage == 1) chunk->SetVertexDataDynamic(0, -2, true);
    chunk->SetVertexDataShared(0, 0, false);
    if (hint && hint->indexUsage == 1) chunk->SetIndexDataDynamic(true);
    if (!m_vertexType) {
        auto* type = new VertexType(kVertexTypeID);
        type->CreateStream();
        VertexType::Item item;
        item.offset = -1;
        item.dataType = 0;
        item.semantic = 1;
        item.index = -1;
        item.flag = -1;
        for (int number : {kItemPosition, kItemDiffuse, kItemTexCoord0}) {
            item.item = number;
            type->AddItem(item);
        }
        type->AddItem(kItemTexCoord0 + 1, kItemTexCoord0);
        m_vertexType.Reset(type);
        if (Display* display = GetDisplay()) display->RegisterVertexType(type, 0, 0);
    }
    chunk->SetVertexType(m_vertexType.Get());
    return chunk;
}

void VorlexMultiPFXMaterial::SetDisplayState(Display* display) {
    if (!display) return;
    OneTextureMaterial::SetDisplayState(display);
    if (m_stage0State && m_stage1State) {
        display->ApplyTextureStageState(m_stage0State);
        display->ApplyTextureStageState(m_stage1State);
    }
    if (TextureResource* second = GetTexture(kSecondSlot))
        display->SetTexture(1, second);
    else
        display->DisableStage(1);
    display->SetTextureMatrix(1, m_stage1Matrix);
}

void VorlexMultiPFXMaterial::ClearDisplayState(Display* display) {
    if (!display) return;
    OneTextureMaterial::ClearDisplayState(display);
    display->ResetStageState(0);
    display->ResetStageState(1);
    display->DisableStage(1);
    display->ResetTextureMatrix(1);
}

void VorlexMultiPFXMaterial::RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                         const DisplayLightList& lights, const DisplayMatrix& world) {
    Material::RenderChunk(display, viewport, chunk, lights, world);
}

}  // namespace Vek
