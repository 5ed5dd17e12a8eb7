#pragma once
// The scene object that shows one indexed mesh definition. It culls and
// draws the definition's chunks with their materials through the render
// kernel's display, answers face queries and ray tests, and can carry a
// non-uniform scale, an opacity and per-chunk bone particles.
//
// Sharing: the chunk and material arrays are taken from the definition and
// shared with the instance's copies (Vek::AutoReferenceArray); the
// instance makes an array, and then a chunk or material, private before it
// changes one, so the definition's chunks are never written through an
// instance. Chunks flagged private (0x1000) are cloned for every instance.
//
// The instance holds a reference and a lock on the resource it was made
// from; the resource owns the definition, so the definition outlives it.
//
// Bone particles: for a definition with a skeleton, one entry per chunk (the
// skeleton particle named by the chunk's bone, null where none); such a
// chunk is drawn with its bone's global matrix, and only when the bone was
// culled in the frame drawn. A chunk without an entry (one added after the
// list was made) or with a null entry is not drawn.
//
// The skinned instances (VorlexDynamicIndexedMeshInstance) and the
// level-of-detail instances derive from this class and keep its own
// virtual operations in the order declared below.
#include <cstdint>
#include <vector>

#include "engine/AutoReferenceArray.h"
#include "engine/Vector.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/materials/Material.h"
#include "engine/math/OrientedBox.h"
#include "engine/scene/LightTarget.h"
#include "engine/scene/ParticleStructure.h"
#include "engine/scene/TriangleGeometry.h"

namespace Vek {
class Bitmap;
class Display;
class RenderKernel;
class Resource;
class ViewPort;
}  // namespace Vek

class ProjectedPointList;
class VorlexInfluenceMesh;
class VorlexIndexedMeshDefinition;

class VorlexIndexedMeshInstance : public Vek::ParticleStructure,
                                  public Vek::TriangleGeometry,
                                  public Vek::LightTarget {
public:
    static constexpr uint32_t kID = 17;
    // The distance a ray runs through the collision tree.
    static constexpr float kRayLength = 5000.0f;

    using ChunkArray = Vek::AutoReferenceArray<Vek::GeometryChunk>;
    using MaterialArray = Vek::AutoReferenceArray<Vek::Material>;
    using MaterialItems = std::vector<Vek::AutoReference<Vek::Material>>;

    explicit VorlexIndexedMeshInstance(Vek::RenderKernel* renderKernel);
    ~VorlexIndexedMeshInstance() override;

    // Called by the mesh resources right after construction: stores the
    // resource (a reference and a lock), SetDefinition, the bone particles
    // of a skeleton (its particle tree is copied and added as a child), and
    // the definition's attachment points.
    virtual void InitFromResource(Vek::Resource* resource, VorlexIndexedMeshDefinition* definition);

    // ---- Vek::Particle ----
    uint32_t GetID() const override { return kID; }
    Vek::Particle* CreateInstance() const override;
    // After its subtree is culled: a visible instance of opacity above 0 is
    // added to the viewpoint.
    void CullLeave(Vek::ViewPoint& viewPoint, const Vek::Matrix4& parentMatrix) override;
    // Draws every chunk with at least one triangle through its material.
    // The scale is applied to a copy of `matrix`, never to the caller's.
    void Render(Vek::ViewPort* viewPort, uint32_t pass, const Vek::Matrix4& matrix) override;
    float GetOpacity() const override { return m_opacity; }
    void SetOpacity(float opacity) override;
    // Nearest hit of the ray ahead of its point (see the .cpp); on a hit
    // nearer than `distance` stores the distance and the face.
    bool TestCollisionGeometry(const Vek::Ray& ray, float& distance, Vek::ConstFaceDescriptor& face) override;

    // ---- the instance's own operations, in this order ----
    // Unlocks and releases the old resource; stores, references and locks
    // the new one.
    virtual void SetResource(Vek::Resource* resource);
    virtual void MakeChunkArrayPrivate();
    virtual void MakeMaterialArrayPrivate();
    // index < chunk count: the chunk (material) is replaced by its clone.
    virtual void MakeChunkPrivate(uint32_t index);
    virtual void MakeMaterialPrivate(uint32_t index);
    // Appends a chunk (cloned when flagged private) and its material; false
    // for a software-skinned chunk, one with a bone palette, or an instance
    // without a chunk array.
    virtual bool AddChunk(Vek::GeometryChunk* chunk, Vek::Material* material);
    // Merges a mergeable chunk's geometry into a private copy of chunk
    // `index`; false, nothing changed, when the two cannot be merged.
    virtual bool MergeChunk(Vek::GeometryChunk* source, uint32_t index);
    virtual void SetScale(float x, float y, float z);
    virtual Vek::Vector3 GetScale() const { return m_scale; }
    virtual uint32_t GetTriangleCount() const;
    // Appends each vertex position p of every chunk as
    // (m0 p.x + m3 p.y + m6 p.z + offset.x, m1 p.x + m4 p.y + m7 p.z + offset.y).
    virtual void AppendProjectedVertices(ProjectedPointList& list, const float matrix[9],
                                         const Vek::Vector2& offset) const;
    // Loads an image file and hands it to ReplaceTexture; false when the
    // file cannot be loaded.
    virtual bool ReplaceTextureFromFile(int a, int b, uint32_t chunk, int texture, const char* path);
    // Gives texture `texture` of the chunk's material the bitmap's picture;
    // false without such a texture or for a bitmap format without a display
    // format.
    virtual bool ReplaceTexture(int a, int b, uint32_t chunk, int texture, const Vek::Bitmap& bitmap);
    virtual void UpdateBoundingVolume();
    // Takes the definition's arrays (shared), bounds, box, texture detail,
    // its 'p'/'P' named points as reference points and its name.
    virtual void SetDefinition(VorlexIndexedMeshDefinition* definition);

    // ---- Vek::TriangleGeometry ----
    void RenderGeometry(Vek::Display* display, Vek::ViewPort* viewPort, const Vek::Matrix4& matrix,
                        bool lit) override;
    bool IsOutsideFrame(const Vek::ViewPort* viewPort) const override;
    void GetGlobalBoundingSphere(Vek::Vector3& centre, float& radius) const override;
    bool GetFaceNeighbour(Vek::ConstFaceDescriptor& neighbour, uint32_t face, uint32_t edge) const override;
    bool GetFaceCentre(const Vek::ConstFaceDescriptor& face, Vek::Vector3& centre) const override;
    bool GetFaceNormal(const Vek::ConstFaceDescriptor& face, Vek::Vector3& normal) const override;
    bool GetFaceVertex(const Vek::ConstFaceDescriptor& face, uint32_t corner, Vek::Vector3& vertex) const override;
    Vek::Material* GetFaceMaterial(const Vek::ConstFaceDescriptor& face) const override;
    // The by-value forms.
    Vek::Vector3 GetFaceCentre(const Vek::ConstFaceDescriptor& face) const;
    Vek::Vector3 GetFaceNormal(const Vek::ConstFaceDescriptor& face) const;
    Vek::Vector3 GetFaceVertex(const Vek::ConstFaceDescriptor& face, uint32_t corner) const;

    // ---- Vek::LightTarget ----
    void UpdateLighting(Vek::Display* display, Vek::ViewPort* viewPort, const Vek::Matrix4& matrix,
                        bool force) override;

    // ---- for the mesh resources ----
    // Tells every present, not yet loaded texture of each material that is
    // not loaded to load; false at the first that fails. True for none.
    static bool LoadMaterialTextures(const MaterialItems* materials);
    // 0 when every material is loaded; else 1 when the first material not
    // loaded has a texture that failed (or no texture list), 5 while its
    // textures are still to come.
    static int GetMaterialTexturesState(const MaterialItems* materials);

    // The three index positions of face `face` of a chunk of primitive
    // `primitive` (4 list, 8 strip, 16 fan); false for other primitives.
    static bool FaceIndexPositions(uint32_t primitive, uint32_t face, uint32_t positions[3]);

    // ---- state ----
    Vek::RenderKernel* GetRenderKernel() const { return m_renderKernel; }
    Vek::Resource* GetResource() const { return m_resource; }
    uint32_t GetChunkCount() const { return m_chunkCount; }
    Vek::GeometryChunk* GetChunk(uint32_t i) const { return i < m_chunkCount ? m_chunks.Get(i) : nullptr; }
    Vek::Material* GetMaterial(uint32_t i) const { return i < m_chunkCount ? m_materials.Get(i) : nullptr; }
    const ChunkArray& GetChunkArray() const { return m_chunks; }
    const MaterialArray& GetMaterialArray() const { return m_materials; }
    const std::vector<Vek::Particle*>& GetBoneParticles() const { return m_boneParticles; }
    bool IsScaled() const { return m_scaled; }
    float GetTextureDetail() const { return m_textureDetail; }
    const Vek::Vector3& GetBoundsMax() const { return m_boundsMax; }
    const Vek::Vector3& GetBoundsMin() const { return m_boundsMin; }
    const Vek::OrientedBox& GetBoundingBox() const { return m_boundingBox; }

protected:
    // The copy's steps after construction (CreateInstance): the engine
    // parts, the shared arrays and values, a reference and lock on the
    // resource, private copies of chunks flagged private.
    void InitInstance(const VorlexIndexedMeshInstance& source);
    // Takes a reference and a lock on `resource` without dropping one.
    void HoldResource(Vek::Resource* resource);
    // Makes each chunk flagged private a private clone prepared for the display.
    void MakeFlaggedChunksPrivate();
    // Clones chunk `index` into the array (private first) and returns the clone.
    Vek::GeometryChunk* ReplaceByClone(uint32_t index);
    // Appends a chunk and a material to new private arrays.
    void AppendChunk(Vek::AutoReference<Vek::GeometryChunk> chunk, Vek::AutoReference<Vek::Material> material);
    // Draws chunk i with its material and a world matrix.
    void DrawChunk(Vek::ViewPort* viewPort, uint32_t i, const Vek::Matrix4& world);
    Vek::Display* GetDisplay() const;
    // The chunk references in order (null without chunks), as the influence mesh takes them.
    const Vek::AutoReference<Vek::GeometryChunk>* ChunkItems() const;

    // ---- the steps the skinned instances share ----
    // InitSkinnedFromResource: the resource, the definition, private
    // clones of the chunks not skinned in software (so that their palettes
    // are this instance's), the influence mesh built and bound to a copy of
    // the skeleton added as a child, the attachment points.
    void InitSkin(VorlexInfluenceMesh& skin, Vek::Resource* resource, VorlexIndexedMeshDefinition* definition);
    // A skinned copy's last steps: bind to the particle named like the root
    // bone below this instance, private clones of the chunks not skinned in
    // software with the bone matrices assigned.
    void CopySkin(VorlexInfluenceMesh& skin);
    // Level 0 posed for `stamp` over this instance's chunks.
    void PoseSkin(VorlexInfluenceMesh& skin, uint32_t stamp);
    // Gives a clone private vertex and index blocks and its display buffers.
    static void PrepareClone(Vek::GeometryChunk* clone, Vek::Display* display);
    // Whether a chunk reads its vertices from one stream (merges need that).
    static bool HasOneVertexStream(const Vek::GeometryChunk& chunk);
    // The vertex position behind index position `position` of a chunk.
    static bool VertexAt(const Vek::GeometryChunk& chunk, uint32_t position, Vek::Vector3& vertex);

    Vek::RenderKernel* m_renderKernel;
    Vek::Resource* m_resource = nullptr;
    uint32_t m_chunkCount = 0;
    ChunkArray m_chunks;
    MaterialArray m_materials;
    float m_opacity = 1.0f;
    std::vector<Vek::Particle*> m_boneParticles;
    Vek::Vector3 m_scale{1.0f, 1.0f, 1.0f};
    Vek::Vector3 m_boundsMax;
    Vek::Vector3 m_boundsMin;
    Vek::OrientedBox m_boundingBox;
    float m_textureDetail = 0.0f;
    bool m_scaled = false;
};
