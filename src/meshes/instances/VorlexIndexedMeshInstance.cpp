#include "meshes/instances/VorlexIndexedMeshInstance.h"

#include <algorithm>

#include "engine/RenderKernel.h"
#include "engine/Resource.h"
#include "engine/bitmap/Bitmap.h"
#include "engine/display/Display.h"
#include "engine/display/DisplayLight.h"
#include "engine/geometry/VertexItem.h"
#include "engine/geometry/VertexType.h"
#include "engine/scene/Camera.h"
#include "engine/scene/ParticleBone.h"
#include "engine/scene/ParticleNameIndex.h"
#include "engine/scene/ReferencePoint.h"
#include "engine/scene/ViewPoint.h"
#include "engine/scene/ViewPort.h"
#include "engine/textures/TextureResource.h"
#include "meshes/collision/TestRayTriangle.h"
#include "meshes/definitions/VorlexIndexedMeshDefinition.h"
#include "meshes/instances/DisplayMatrixOf.h"
#include "meshes/instances/VorlexInfluenceMesh.h"
#include "meshes/instances/ProjectedPointList.h"
#include "meshes/resources/VorlexIndexedMeshResource.h"

using namespace Vek;

namespace {

// The display format of a bitmap format; -1 for none.
int DisplayFormatOf(int bitmapFormat) {
    switch (bitmapFormat) {
        case Bitmap::kRGB24: return 5;
        case Bitmap::kARGB32: return 1;
        case Bitmap::kXRGB32: return 3;
        case Bitmap::kGrey8: return 8;
        default: return -1;
    }
}

}  // namespace

VorlexIndexedMeshInstance::VorlexIndexedMeshInstance(RenderKernel* renderKernel) : m_renderKernel(renderKernel) {}

VorlexIndexedMeshInstance::~VorlexIndexedMeshInstance() {
    if (m_resource) {
        m_resource->Unlock();
        m_resource->ReleaseReference();
        m_resource = nullptr;
    }
}

bool VorlexIndexedMeshInstance::HasOneVertexStream(const GeometryChunk& chunk) {
    const VertexType* type = chunk.GetVertexType();
    return !type || type->GetStreamCount() <= 1;
}

void VorlexIndexedMeshInstance::PrepareClone(GeometryChunk* clone, Display* display) {
    if (!clone) return;
    clone->DuplicateUnsharedArrays(display);
    if (display) clone->InitializeBuffers(display, true);
}

Display* VorlexIndexedMeshInstance::GetDisplay() const { return m_renderKernel ? m_renderKernel->GetDisplay() : nullptr; }

// ---- creation ----

void VorlexIndexedMeshInstance::HoldResource(Resource* resource) {
    m_resource = resource;
    if (resource) {
        resource->AddReference();
        resource->Lock();
    }
}

void VorlexIndexedMeshInstance::InitFromResource(Resource* resource, VorlexIndexedMeshDefinition* definition) {
    HoldResource(resource);
    if (!definition) return;
    SetDefinition(definition);
    if (definition->skeletonRoot) {
        Particle* skeleton = definition->skeletonRoot->CloneTree();
        Add(skeleton);
        const ParticleNameIndex bones(skeleton);
        for (uint32_t i = 0; i < m_chunkCount; ++i) {
            const PString bone = definition->GetChunkBoneName(i);
            Particle* particle = nullptr;
            if (!bone.IsEmpty()) particle = bones.Find(bone);
            m_boneParticles.push_back(particle);
        }
    }
    definition->AddAttachmentPoints(this);
}

void VorlexIndexedMeshInstance::SetDefinition(VorlexIndexedMeshDefinition* definition) {
    if (!definition) return;
    m_chunks.Take(definition->chunks);
    m_materials.Take(definition->materials);
    m_chunkCount = std::min<uint32_t>({definition->chunkCount, m_chunks.Size(), m_materials.Size()});
    m_textureDetail = definition->textureDetail;
    m_boundsMax = definition->boundsMax;
    m_boundsMin = definition->boundsMin;
    m_boundingBox = definition->orientedBox;
    for (const AttachmentRecord& record : definition->GetAttachments()) {
        const char* text = record.name.c_str();
        if (text[0] != 'p' && text[0] != 'P') continue;
        PString first, second;
        ReferencePoint::GetSubNames(text, first, second);
        Quaternion q;
        q.Set(record.orientation);
        AddReferencePoint(new ReferencePoint(first, record.position, q));
    }
    SetName(definition->name);
    UpdateBoundingVolume();
    MakeFlaggedChunksPrivate();
}

void VorlexIndexedMeshInstance::MakeFlaggedChunksPrivate() {
    bool first = true;
    for (uint32_t i = 0; i < m_chunkCount; ++i) {
        GeometryChunk* chunk = GetChunk(i);
        if (!chunk || !chunk->HasFlag(GeometryChunk::kFlagPrivate)) continue;
        if (first) MakeChunkArrayPrivate();
        first = false;
        MakeChunkPrivate(i);
        PrepareClone(GetChunk(i), GetDisplay());
    }
}

Particle* VorlexIndexedMeshInstance::CreateInstance() const {
    auto* copy = new VorlexIndexedMeshInstance(m_renderKernel);
    copy->InitInstance(*this);
    return copy;
}

void VorlexIndexedMeshInstance::InitInstance(const VorlexIndexedMeshInstance& source) {
    ParticleStructure::InitInstance(source);
    Geometry::InitInstance(source);
    LightTarget::InitInstance(source);
    m_chunks.Share(source.m_chunks);
    m_materials.Share(source.m_materials);
    m_chunkCount = source.m_chunkCount;
    m_opacity = source.m_opacity;
    m_scale = source.m_scale;
    m_scaled = source.m_scaled;
    m_boundsMax = source.m_boundsMax;
    m_boundsMin = source.m_boundsMin;
    m_boundingBox = source.m_boundingBox;
    m_textureDetail = source.m_textureDetail;
    HoldResource(source.m_resource);
    MakeFlaggedChunksPrivate();
}

// ---- sharing ----

void VorlexIndexedMeshInstance::SetResource(Resource* resource) {
    if (m_resource) {
        m_resource->Unlock();
        m_resource->ReleaseReference();
    }
    HoldResource(resource);
}

void VorlexIndexedMeshInstance::MakeChunkArrayPrivate() { m_chunks.MakePrivate(); }

void VorlexIndexedMeshInstance::MakeMaterialArrayPrivate() { m_materials.MakePrivate(); }

GeometryChunk* VorlexIndexedMeshInstance::ReplaceByClone(uint32_t index) {
    GeometryChunk* chunk = GetChunk(index);
    if (!chunk) return nullptr;
    // A write into a block shared with another instance would reach it too.
    MakeChunkArrayPrivate();
    GeometryChunk* clone = chunk->Clone();
    m_chunks.Set(index, AutoReference<GeometryChunk>(clone));
    return clone;
}

void VorlexIndexedMeshInstance::MakeChunkPrivate(uint32_t index) { ReplaceByClone(index); }

void VorlexIndexedMeshInstance::MakeMaterialPrivate(uint32_t index) {
    Material* material = GetMaterial(index);
    if (!material) return;
    Material* clone = material->Clone();
    if (!clone) return;
    MakeMaterialArrayPrivate();
    m_materials.Set(index, AutoReference<Material>(clone));
}

void VorlexIndexedMeshInstance::AppendChunk(AutoReference<GeometryChunk> chunk, AutoReference<Material> material) {
    m_chunks.Append(std::move(chunk));
    m_materials.Append(std::move(material));
    ++m_chunkCount;
}

bool VorlexIndexedMeshInstance::AddChunk(GeometryChunk* chunk, Material* material) {
    if (!chunk || chunk->HasFlag(GeometryChunk::kFlagSoftwareSkinned) || chunk->GetInfluenceMatrixCount() > 0 ||
        !m_chunks.HasBlock())
        return false;
    AutoReference<GeometryChunk> added;
    if (chunk->HasFlag(GeometryChunk::kFlagPrivate)) {
        added.Reset(chunk->Clone());
        PrepareClone(added.Get(), GetDisplay());
    } else {
        added.Share(chunk);
    }
    AutoReference<Material> kept;
    kept.Share(material);
    AppendChunk(std::move(added), std::move(kept));
    return true;
}

bool VorlexIndexedMeshInstance::MergeChunk(GeometryChunk* source, uint32_t index) {
    GeometryChunk* chunk = GetChunk(index);
    if (!source || !chunk || !source->HasFlag(GeometryChunk::kFlagMergeable) ||
        source->HasFlag(GeometryChunk::kFlagSoftwareSkinned) || source->GetInfluenceMatrixCount() > 0 ||
        !chunk->HasFlag(GeometryChunk::kFlagMergeable) || !HasOneVertexStream(*source) ||
        !HasOneVertexStream(*chunk) || !chunk->AcceptsVertices(*source))
        return false;
    MakeChunkArrayPrivate();
    GeometryChunk* clone = ReplaceByClone(index);
    return clone && clone->AppendChunk(*source, GetDisplay());
}

// ---- scale and bounds ----

void VorlexIndexedMeshInstance::SetScale(float x, float y, float z) {
    m_scale = {x, y, z};
    m_scaled = x != 1.0f || y != 1.0f || z != 1.0f;
    UpdateBoundingVolume();
}

void VorlexIndexedMeshInstance::UpdateBoundingVolume() {
    if (!m_scaled) {
        SetBoundingVolume(m_boundingBox);
        return;
    }
    OrientedBox box = m_boundingBox;
    box.extents = {box.extents.x * m_scale.x, box.extents.y * m_scale.y, box.extents.z * m_scale.z};
    SetBoundingVolume(box);
}

uint32_t VorlexIndexedMeshInstance::GetTriangleCount() const {
    uint32_t total = 0;
    for (uint32_t i = 0; i < m_chunkCount; ++i)
        if (const GeometryChunk* chunk = GetChunk(i)) total += chunk->GetTriangleCount();
    return total;
}

void VorlexIndexedMeshInstance::AppendProjectedVertices(ProjectedPointList& list, const float m[9],
                                                        const Vector2& offset) const {
    for (uint32_t i = 0; i < m_chunkCount; ++i) {
        const GeometryChunk* chunk = GetChunk(i);
        if (!chunk) continue;
        uint32_t stride = 0;
        const uint8_t* base = chunk->GetItemArray(kItemPosition, stride);
        if (!base) continue;
        for (uint32_t v = 0; v < chunk->GetVertexCount(); ++v) {
            const float* p = reinterpret_cast<const float*>(base + std::size_t(v) * stride);
            list.Append({m[0] * p[0] + m[3] * p[1] + m[6] * p[2] + offset.x,
                         m[1] * p[0] + m[4] * p[1] + m[7] * p[2] + offset.y});
        }
    }
}

// ---- textures ----

bool VorlexIndexedMeshInstance::ReplaceTextureFromFile(int a, int b, uint32_t chunk, int texture, const char* path) {
    Bitmap bitmap;
    if (!path || !bitmap.Load(path)) return false;
    return ReplaceTexture(a, b, chunk, texture, bitmap);
}

bool VorlexIndexedMeshInstance::ReplaceTexture(int, int, uint32_t chunk, int texture, const Bitmap& bitmap) {
    Material* material = GetMaterial(chunk);
    TextureResource* target = material ? material->GetTexture(texture) : nullptr;
    if (!target || DisplayFormatOf(bitmap.GetFormat()) < 0) return false;
    target->SetImage(std::make_unique<Bitmap>(bitmap));
    return true;
}

// ---- the scene ----

void VorlexIndexedMeshInstance::CullLeave(ViewPoint& viewPoint, const Matrix4& parentMatrix) {
    if (HasFlag(kFlagHidden) || m_opacity <= 0.0f) return;
    // Every texture is wanted whole here (level 0): nothing to hand on.
    (void)ViewPoint::CalcWantedMipLevelsForCull(viewPoint, this, m_textureDetail);
    const Matrix4 world = GetLocalMatrix() * parentMatrix;
    viewPoint.Add(this, world);
    StoreMatrix(viewPoint.GetViewPort(), world);
}

void VorlexIndexedMeshInstance::DrawChunk(ViewPort* viewPort, uint32_t i, const Matrix4& world) {
    GeometryChunk* chunk = GetChunk(i);
    Material* material = GetMaterial(i);
    if (!chunk || !material) return;
    static const DisplayLightList kNoLights;
    material->RenderChunk(GetDisplay(), viewPort ? viewPort->GetDisplayViewport() : nullptr, chunk, kNoLights,
                          DisplayMatrixOf(world));
}

void VorlexIndexedMeshInstance::Render(ViewPort* viewPort, uint32_t, const Matrix4& matrix) {
    Matrix4 world = matrix;
    if (m_scaled) {
        const float scale[3] = {m_scale.x, m_scale.y, m_scale.z};
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column) world.m[row][column] *= scale[row];
    }
    UpdateLighting(GetDisplay(), viewPort, world, false);
    for (uint32_t i = 0; i < m_chunkCount; ++i) {
        const GeometryChunk* chunk = GetChunk(i);
        if (!chunk || chunk->GetTriangleCount() == 0) continue;
        if (m_boneParticles.empty()) {
            DrawChunk(viewPort, i, world);
            continue;
        }
        // A chunk without a bone particle (none named, or added after the
        // list was made) is not drawn.
        const Particle* bone = i < m_boneParticles.size() ? m_boneParticles[i] : nullptr;
        if (!bone || !viewPort || bone->GetLastCulledFrame() != viewPort->GetFrameNumber()) continue;
        DrawChunk(viewPort, i, bone->GetGlobalMatrix());
    }
}

void VorlexIndexedMeshInstance::SetOpacity(float opacity) {
    m_opacity = opacity;
    for (uint32_t i = 0; i < m_chunkCount; ++i)
        if (GeometryChunk* chunk = GetChunk(i)) chunk->SetOpacity(GetDisplay(), opacity);
    Particle::SetOpacity(opacity);
}

void VorlexIndexedMeshInstance::UpdateLighting(Display*, ViewPort*, const Matrix4&, bool force) {
    if (!GetUpdateLighting() && !force) return;
    CalculateLighting(m_chunkCount, m_chunks.GetItems(), m_materials.GetItems());
    SetUpdateLighting(false);
}

void VorlexIndexedMeshInstance::RenderGeometry(Display* display, ViewPort* viewPort, const Matrix4& matrix, bool lit) {
    if (!display) return;
    const DisplayMatrix world = DisplayMatrixOf(matrix);
    static const DisplayLightList kNoLights;
    for (uint32_t i = 0; i < m_chunkCount; ++i) {
        GeometryChunk* chunk = GetChunk(i);
        if (!chunk || chunk->GetTriangleCount() == 0) continue;
        display->SetWorldMatrix(world);
        VertexProgram* program = chunk->GetVertexProgram(0);
        if (lit) {
            Matrix4 view;
            if (viewPort && viewPort->GetCamera()) viewPort->GetCamera()->GetViewTransform(view);
            const DisplayMatrix viewMatrix = DisplayMatrixOf(view);
            if (Material* material = GetMaterial(i))
                material->SetLightingState(display, &viewMatrix, chunk, program, kNoLights, world, m_opacity, true);
        }
        chunk->Render(display, program);
    }
}

bool VorlexIndexedMeshInstance::IsOutsideFrame(const ViewPort* viewPort) const {
    return !viewPort || GetLastCulledFrame() != viewPort->GetFrameNumber();
}

void VorlexIndexedMeshInstance::GetGlobalBoundingSphere(Vector3& centre, float& radius) const {
    Particle::GetGlobalBoundingSphere(centre, radius);
}

// ---- faces ----


bool VorlexIndexedMeshInstance::FaceIndexPositions(uint32_t primitive, uint32_t face, uint32_t positions[3]) {
    // A face whose last position would pass the largest index position has
    // none: wrapped round, it would name the corners of another face.
    const uint64_t last = primitive == 4 ? 3 * uint64_t(face) + 2 : uint64_t(face) + 2;
    if (last > UINT32_MAX) return false;
    switch (primitive) {
        case 4:
            positions[0] = 3 * face, positions[1] = 3 * face + 1, positions[2] = 3 * face + 2;
            return true;
        case 8:
            positions[0] = face;
            positions[1] = face % 2 == 0 ? face + 1 : face + 2;
            positions[2] = face % 2 == 0 ? face + 2 : face + 1;
            return true;
        case 16:
            positions[0] = 0, positions[1] = face + 1, positions[2] = face + 2;
            return true;
        default: return false;
    }
}

bool VorlexIndexedMeshInstance::VertexAt(const GeometryChunk& chunk, uint32_t position, Vector3& vertex) {
    const uint16_t* indices = chunk.GetIndexArray();
    if (!indices || position >= chunk.GetIndexCount()) return false;
    const uint32_t index = indices[position];
    uint32_t stride = 0;
    const uint8_t* base = chunk.GetItemArray(kItemPosition, stride);
    if (!base || index >= chunk.GetVertexCount()) return false;
    const float* p = reinterpret_cast<const float*>(base + std::size_t(index) * stride);
    vertex = {p[0], p[1], p[2]};
    return true;
}

bool VorlexIndexedMeshInstance::GetFaceVertex(const ConstFaceDescriptor& face, uint32_t corner, Vector3& vertex) const {
    const GeometryChunk* chunk = GetChunk(face.chunk);
    uint32_t positions[3];
    if (!chunk || corner > 2 || !FaceIndexPositions(chunk->GetPrimitiveCode(), face.face, positions)) return false;
    return VertexAt(*chunk, positions[corner], vertex);
}

bool VorlexIndexedMeshInstance::GetFaceCentre(const ConstFaceDescriptor& face, Vector3& centre) const {
    Vector3 a, b, c;
    if (!GetFaceVertex(face, 0, a) || !GetFaceVertex(face, 1, b) || !GetFaceVertex(face, 2, c)) return false;
    centre = (a + b + c) * 0.33333334f;
    return true;
}

bool VorlexIndexedMeshInstance::GetFaceNormal(const ConstFaceDescriptor& face, Vector3& normal) const {
    GeometryChunk* chunk = GetChunk(face.chunk);
    if (!chunk) return false;
    if (const float* stored = chunk->GetFaceNormalArray(); stored && face.face < chunk->GetFaceNormalCount()) {
        normal = {stored[3 * face.face], stored[3 * face.face + 1], stored[3 * face.face + 2]};
        return true;
    }
    Vector3 a, b, c;
    if (!GetFaceVertex(face, 0, a) || !GetFaceVertex(face, 1, b) || !GetFaceVertex(face, 2, c)) return false;
    normal = (b - a).Cross(c - a);
    if (normal.LengthSquared() <= 1e-9f)
        normal = {1.0f, 0.0f, 0.0f};
    else
        normal.Normalise();
    return true;
}

Vector3 VorlexIndexedMeshInstance::GetFaceCentre(const ConstFaceDescriptor& face) const {
    Vector3 centre;
    GetFaceCentre(face, centre);
    return centre;
}

Vector3 VorlexIndexedMeshInstance::GetFaceNormal(const ConstFaceDescriptor& face) const {
    Vector3 normal;
    GetFaceNormal(face, normal);
    return normal;
}

Vector3 VorlexIndexedMeshInstance::GetFaceVertex(const ConstFaceDescriptor& face, uint32_t corner) const {
    Vector3 vertex;
    GetFaceVertex(face, corner, vertex);
    return vertex;
}

bool VorlexIndexedMeshInstance::GetFaceNeighbour(ConstFaceDescriptor& neighbour, uint32_t face, uint32_t edge) const {
    const GeometryChunk* chunk = GetChunk(neighbour.chunk);
    const uint32_t* neighbours = chunk ? chunk->GetFaceNeighborArray() : nullptr;
    if (!neighbours || edge > 2 || face >= chunk->GetFaceCount()) return false;
    const uint32_t entry = neighbours[std::size_t(face) * 3 + edge];
    if (entry == 0xFFFFFFFFu) return false;
    neighbour.geometry = this;
    neighbour.face = entry & 0xFFFFu;
    neighbour.chunk = entry >> 16;
    return true;
}

Material* VorlexIndexedMeshInstance::GetFaceMaterial(const ConstFaceDescriptor& face) const {
    return GetMaterial(face.chunk);
}

// ---- ray tests ----

bool VorlexIndexedMeshInstance::TestCollisionGeometry(const Ray& ray, float& distance, ConstFaceDescriptor& face) {
    Ray local = ray;
    if (m_scaled) {
        if (m_scale.x == 0.0f || m_scale.y == 0.0f || m_scale.z == 0.0f) return false;
        local.point = {ray.point.x / m_scale.x, ray.point.y / m_scale.y, ray.point.z / m_scale.z};
        local.direction = {ray.direction.x / m_scale.x, ray.direction.y / m_scale.y, ray.direction.z / m_scale.z};
        local.direction.Normalise();
    }
    if (!m_boundingBox.TestCollision(local.point, local.direction)) return false;

    auto* resource = dynamic_cast<VorlexIndexedMeshResource*>(m_resource);
    VorlexIndexedMeshDefinition* definition = resource ? resource->GetDefinition() : nullptr;
    if (MeshCollisionTree* tree = definition ? definition->GetCollisionTree() : nullptr) {
        MeshCollisionHit hit;
        // The tree holds the mesh's own triangles: it is asked with the ray
        // brought into them, as the box above and the triangles below are.
        if (!tree->QuerySegment(local.point, local.point + local.direction * kRayLength, hit)) return false;
        const float hitDistance = kRayLength * hit.t;
        if (!(hitDistance < distance)) return false;
        distance = hitDistance;
        face = {this, 0, 0};
        return true;
    }

    float nearest = distance;
    bool found = false;
    uint32_t foundFace = 0, foundChunk = 0;
    for (uint32_t i = 0; i < m_chunkCount; ++i) {
        const GeometryChunk* chunk = GetChunk(i);
        if (!chunk) continue;
        const Material* material = GetMaterial(i);
        const bool twoSided = material && (material->GetFlags() & 1u) != 0;
        // Three indices a face, never past the last one (3 * k must not wrap).
        const uint32_t faces = std::min(chunk->GetTriangleCount(), chunk->GetIndexCount() / 3);
        for (uint32_t k = 0; k < faces; ++k) {
            Vector3 a, b, c;
            if (!VertexAt(*chunk, 3 * k, a) || !VertexAt(*chunk, 3 * k + 1, b) || !VertexAt(*chunk, 3 * k + 2, c))
                continue;
            if (TestRayTriangle(a, b, c, twoSided, local.point, local.direction, nearest)) {
                found = true;
                foundFace = k;
                foundChunk = i;
            }
        }
    }
    if (!found || !(distance > nearest)) return false;
    face = {this, foundFace, foundChunk};
    distance = nearest;
    return true;
}

// ---- for the resources ----

bool VorlexIndexedMeshInstance::LoadMaterialTextures(const MaterialItems* materials) {
    if (!materials) return true;
    for (const AutoReference<Material>& material : *materials) {
        if (!material || material->IsLoaded() == 0) continue;
        for (int slot = 0; slot < Material::kTextureSlots; ++slot) {
            TextureResource* texture = material->GetTexture(slot);
            if (!texture || texture->IsLoaded()) continue;
            texture->LoadAll();
            if (texture->GetLoadState() == Resource::LoadState::Failed) return false;
        }
    }
    return true;
}

int VorlexIndexedMeshInstance::GetMaterialTexturesState(const MaterialItems* materials) {
    if (!materials) return 0;
    for (const AutoReference<Material>& material : *materials) {
        const int state = material ? material->IsLoaded() : 0;
        if (state == 0) continue;
        if (state != Material::kNotLoaded) return 1;
        bool anyTexture = false;
        for (int slot = 0; slot < Material::kTextureSlots; ++slot) {
            const TextureResource* texture = material->GetTexture(slot);
            if (!texture) continue;
            anyTexture = true;
            if (texture->IsLoaded()) continue;
            return texture->GetLoadState() == Resource::LoadState::Failed ? 1 : 5;
        }
        return anyTexture ? 5 : 1;
    }
    return 0;
}

// ---- the skinned instances' shared steps ----

const AutoReference<GeometryChunk>* VorlexIndexedMeshInstance::ChunkItems() const {
    const ChunkArray::Items* items = m_chunks.GetItems();
    return items && !items->empty() ? items->data() : nullptr;
}

void VorlexIndexedMeshInstance::InitSkin(VorlexInfluenceMesh& skin, Resource* resource,
                                         VorlexIndexedMeshDefinition* definition) {
    HoldResource(resource);
    if (!definition) return;
    SetDefinition(definition);
    // The palettes are written by every pose: they must not be the
    // definition's, which all instances share.
    MakeChunkArrayPrivate();
    for (uint32_t i = 0; i < m_chunkCount; ++i)
        if (GeometryChunk* chunk = GetChunk(i); chunk && !chunk->HasFlag(GeometryChunk::kFlagSoftwareSkinned))
            MakeChunkPrivate(i);
    skin.BuildFromMeshBones(definition->bones, definition->hardwareSkinned, m_chunkCount, ChunkItems());
    Particle* skeleton = definition->skeletonRoot ? definition->skeletonRoot->CloneTree() : nullptr;
    skin.Bind(skeleton);
    if (skeleton) Add(skeleton);
    definition->AddAttachmentPoints(this);
}

void VorlexIndexedMeshInstance::CopySkin(VorlexInfluenceMesh& skin) {
    const VorlexInfluenceMesh::Bone* root = skin.GetRootBone();
    skin.Bind(root ? FindByName(root->name) : nullptr);
    MakeChunkArrayPrivate();
    for (uint32_t i = 0; i < m_chunkCount; ++i) {
        GeometryChunk* chunk = GetChunk(i);
        if (!chunk || chunk->HasFlag(GeometryChunk::kFlagSoftwareSkinned)) continue;
        MakeChunkPrivate(i);
        skin.AssignBoneMatrices(GetChunk(i));
    }
}

void VorlexIndexedMeshInstance::PoseSkin(VorlexInfluenceMesh& skin, uint32_t stamp) {
    skin.Pose(m_chunkCount, ChunkItems(), stamp, 0);
}
