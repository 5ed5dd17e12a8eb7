#pragma once
// A geometry chunk: the engine's unit of drawable geometry. One vertex
// stream laid out by a table of item offsets (engine/geometry/VertexItem.h),
// an optional separate normal array, an index array (16-bit), face normals
// (3 floats per face normal), face neighbours (3 words per face, all bits
// set for "none"), influence matrices (bone palette), named float chunk
// properties, an opacity, a vertex type, a vertex program per pass, and the
// display's static vertex and index buffers once they are made.
//
// Two words describe a chunk. The type word: the primitive code in the low
// 5 bits (4 triangle list, 8 triangle strip, 16 triangle fan, 0 points,
// 1 line list, 2 line strip) and the skinning and buffer bits above them.
// The flag word: those same bits above the low 5 (0x40 skinned in software,
// 0x100 no static index buffer, 0x1000 private to each instance, 0x10000 no
// static vertex buffer) plus 0x4 mergeable, which lives only there: inside
// the type word it would be read as a primitive code. The triangle count is
// the face count.
//
// Vertex, normal and index arrays are blocks shared with the chunks cloned
// from this one; DuplicateVertexArray / DuplicateIndexArray / Resize give a
// chunk private blocks. Write only through a chunk whose blocks are private
// (IsVertexArrayShared) unless the sharing is meant.
// Counted (engine/ReferenceCount.h).
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/DefaultInitAllocator.h"
#include "engine/ReferenceCount.h"
#include "engine/display/DisplayBuffer.h"
#include "engine/display/DisplayMatrix.h"
#include "engine/geometry/StandardChunkHint.h"
#include "engine/geometry/VertexItem.h"

namespace Vek {

class Display;
class VertexProgram;
class VertexType;

class GeometryChunk : public ReferenceCount {
public:
    // Engine primitive types (the geometry type materials are given).
    enum PrimitiveType : int {
        kTriangleList = 0,
        kTriangleStrip = 1,
        kTriangleFan = 2,
        kLineList = 3,
        kLineStrip = 4,
        kPointList = 5
    };
    static constexpr uint32_t kPrimitiveMask = 0x1F;
    static constexpr uint32_t kFlagMergeable = 0x4;
    static constexpr uint32_t kFlagSoftwareSkinned = 0x40;
    static constexpr uint32_t kFlagNoStaticIndexBuffer = 0x100;
    static constexpr uint32_t kFlagPrivate = 0x1000;
    static constexpr uint32_t kFlagNoStaticVertexBuffer = 0x10000;
    static constexpr int kMaxPasses = 4;

    struct Layout {
        int offsets[kItemCount];
        uint32_t vertexSize = 0;
        int vertexTypeId = 0;
        bool separateNormals = false;

        Layout();
        bool Has(int item) const { return item > 0 && item < kItemCount && offsets[item] >= 0; }
        // Appends an item at the end of the vertex.
        void Add(int item);
        // The engine material's layout for a hint (none: position, normal
        // and one texture-coordinate set); `textured` false leaves out the
        // texture coordinates.
        static Layout Standard(const StandardChunkHint* hint, bool textured);
        template <typename V>
        static Layout Packed(bool separateNormals = false) {
            Layout l;
            for (int i = 0; i < kItemCount; ++i) l.offsets[i] = V::vertexItemOffset[i];
            l.vertexSize = sizeof(V);
            l.vertexTypeId = V::kVertexTypeID;
            l.separateNormals = separateNormals;
            return l;
        }
    };

    struct ItemArray {
        uint8_t* pointer = nullptr;
        uint32_t stride = 0;
    };

    // A vertex type of one stream describing a layout (its items at their
    // offsets), with the layout's id; one reference for the caller.
    static VertexType* MakeVertexType(const Layout& layout);

    // The primitive code for an engine primitive type (-1 for none).
    static int PrimitiveCode(int primitiveType);
    // The type word for a primitive type and a hint: the code plus
    // 0x40 | 0x1000 | 0x10000 for a chunk skinned in software, 0x1000 for
    // software lighting. 0 bits for a bad type.
    static uint32_t MakeTypeWord(int primitiveType, const StandardChunkHint* hint);
    // The flag word for a primitive type and a hint: the type word's bits
    // above the primitive code, plus 0x4 for a list (triangles, lines or
    // points), skinned or not.
    static uint32_t MakeFlagWord(int primitiveType, const StandardChunkHint* hint);

    // (vertex count, face count, index count, face-normal count, type word,
    // flag word). The type word's bits above the primitive code are flags
    // too; the primitive code bits of the flag word never reach the type
    // word.
    GeometryChunk(const Layout& layout, uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                  uint32_t faceNormalCount, uint32_t typeWord, uint32_t flagWord = 0);

    // A new chunk of the same layout and type word from new counts.
    GeometryChunk* CreateInstance(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                  uint32_t faceNormalCount) const;
    // A copy sharing this chunk's vertex, normal and index blocks; face
    // normals, neighbours, properties, palette and vertex type are copied.
    GeometryChunk* Clone() const;

    const Layout& GetLayout() const { return m_layout; }
    uint32_t GetTypeWord() const { return m_typeWord; }
    uint32_t GetFlagWord() const { return m_flagWord; }
    uint32_t GetPrimitiveCode() const { return m_typeWord & kPrimitiveMask; }
    bool HasFlag(uint32_t flag) const { return (m_flagWord & flag) != 0; }

    uint32_t GetVertexCount() const { return m_vertexCount; }
    uint32_t GetVertexCapacity() const;
    uint32_t GetFaceCount() const { return m_faceCount; }
    uint32_t GetTriangleCount() const { return m_faceCount; }
    uint32_t GetIndexCount() const { return m_indexCount; }
    uint32_t GetMaxIndexCount() const;
    uint32_t GetFaceNormalCount() const { return static_cast<uint32_t>(m_faceNormals.size() / 3); }
    uint32_t GetVertexSize() const { return m_layout.vertexSize; }
    int GetItemOffset(int item) const { return item > 0 && item < kItemCount ? m_layout.offsets[item] : -1; }
    // Bytes per vertex over all items, the separate normal included.
    uint32_t GetBytesPerVertex() const { return m_layout.vertexSize + (m_layout.separateNormals ? 12u : 0u); }

    // An item's array as {pointer, stride}; {null, 0} when the chunk lacks
    // it. With a separate normal array, item 4 is {first normal, 12}.
    ItemArray GetItemArray(int item);
    const uint8_t* GetItemArray(int item, uint32_t& stride) const;
    float* GetVector3Array(int item, uint32_t& stride) { return Typed<float>(item, stride); }
    float* GetVector2Array(int item, uint32_t& stride) { return Typed<float>(item, stride); }
    float* GetVector4Array(int item, uint32_t& stride) { return Typed<float>(item, stride); }
    float* GetFloatArray(int item, uint32_t& stride) { return Typed<float>(item, stride); }
    uint32_t* GetUDwordArray(int item, uint32_t& stride) { return Typed<uint32_t>(item, stride); }
    uint8_t* GetVertexArray() { return m_vertices && !m_vertices->empty() ? m_vertices->data() : nullptr; }

    // Index array (null without indices), face normals (null without).
    uint16_t* GetIndexArray() { return m_indices && !m_indices->empty() ? m_indices->data() : nullptr; }
    const uint16_t* GetIndexArray() const { return m_indices && !m_indices->empty() ? m_indices->data() : nullptr; }
    float* GetFaceNormalArray() { return m_faceNormals.empty() ? nullptr : m_faceNormals.data(); }
    // Takes face count x 3 neighbour words; false when the size differs.
    bool SetFaceNeighborArray(std::vector<uint32_t> neighbours);
    const uint32_t* GetFaceNeighborArray() const { return m_neighbours.empty() ? nullptr : m_neighbours.data(); }

    // Influence matrices: the palette slot of a bone (added when new).
    int AddInfluenceMatrix(int bone);
    int GetInfluenceMatrixCount() const { return static_cast<int>(m_palette.size()); }
    int GetInfluenceBone(int slot) const;
    bool SetInfluenceMatrix(int slot, const DisplayMatrix& matrix);
    const DisplayMatrix* GetInfluenceMatrix(int slot) const;
    void ResetMatrixArray() { m_palette.clear(); }

    // Chunk properties: AddChunkProperty is true when the property is new
    // (value 0); Set is false for a property never added.
    bool AddChunkProperty(const std::string& name);
    bool SetChunkProperty(const std::string& name, float value);
    bool GetChunkProperty(const std::string& name, float& value) const;
    std::size_t GetChunkPropertyCount() const { return m_properties.size(); }

    void SetOpacity(Display* display, float opacity);
    float GetOpacity() const { return m_opacity; }

    // Vertex type: AssignVertexType sets, when the chunk has none, the
    // display's registered type of the layout's id and returns the chunk's
    // type (null when there is none).
    void SetVertexType(VertexType* type);
    VertexType* GetVertexType() const { return m_vertexType.Get(); }
    VertexType* AssignVertexType(Display* display);
    int GetVertexTypeID() const { return m_layout.vertexTypeId; }

    void SetVertexProgram(int pass, VertexProgram* program);
    VertexProgram* GetVertexProgram(int pass) const;

    // Usage records: dynamic and shared vertex data per stream, dynamic
    // index data.
    void SetVertexDataDynamic(int stream, int value, bool on);
    void SetVertexDataShared(int stream, int value, bool on);
    void SetIndexDataDynamic(bool on) { m_indexDynamic = on; }
    bool IsVertexDataDynamic() const { return m_vertexDynamic; }
    bool IsVertexDataShared() const { return m_vertexShared; }
    int GetVertexSharedValue() const { return m_vertexSharedValue; }
    bool IsIndexDataDynamic() const { return m_indexDynamic; }

    // Display buffers.
    bool InitializeBuffers(Display* display, bool upload);
    bool LoadBuffers(Display* display);
    const DisplayVertexBuffer* GetStaticVertexBuffer() const { return m_vertexBuffer.get(); }
    const DisplayIndexBuffer* GetStaticIndexBuffer() const { return m_indexBuffer.get(); }
    bool IsVertexDataDirty() const { return m_vertexDirty; }
    bool IsIndexDataDirty() const { return m_indexDirty; }

    // Copy-on-write of the shared blocks.
    bool IsVertexArrayShared() const { return m_vertices.use_count() > 1; }
    bool IsIndexArrayShared() const { return m_indices.use_count() > 1; }
    void DuplicateVertexArray(Display* display);
    void DuplicateIndexArray(Display* display);
    // Private copies of the vertex, normal and index blocks that are shared.
    void DuplicateUnsharedArrays(Display* display);
    // A private block of n vertices keeping the first min(old, n).
    bool ResizeVertexArray(uint32_t n, Display* display = nullptr);

    // New counts with private vertex, normal, index and face-normal arrays
    // that are allocated but not cleared, for a reader that writes every
    // byte of them (every byte of every vertex, every separate normal,
    // index and face normal) before anything reads them, so that a large
    // file's geometry is not written twice. A reader that stops before it
    // has written them all calls ClearArrays, so that no byte that was never
    // written is ever read. Face neighbours and static buffers are dropped.
    void AllocateUnclearedArrays(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                 uint32_t faceNormalCount);
    // Sets every byte of the vertex, normal, index and face-normal arrays
    // to zero.
    void ClearArrays();

    // Whether `other`'s vertices can be appended to this chunk: the same
    // layout (item set, offsets and size, normals kept alike).
    bool AcceptsVertices(const GeometryChunk& other) const;
    // Appends `other`'s vertices, normals, indices (moved past this chunk's
    // vertices), faces and face normals; this chunk gets private blocks and
    // its static buffers are made again. False, nothing changed, for a
    // layout that differs or when an index would pass 65535.
    bool AppendChunk(const GeometryChunk& other, Display* display);

    // Draws through the display: the whole chunk, or the given primitives.
    void Render(Display* display, const VertexProgram* program) const;
    void RenderPrimitives(Display* display, const VertexProgram* program, uint32_t indexCount,
                          const uint16_t* indices, uint32_t primitives, int primitiveType) const;

protected:
    ~GeometryChunk() override;

private:
    template <typename T>
    T* Typed(int item, uint32_t& stride) {
        ItemArray a = GetItemArray(item);
        stride = a.stride;
        return reinterpret_cast<T*>(a.pointer);
    }

    // The arrays' storage: sized without clearing where asked to
    // (AllocateUnclearedArrays); every other sizing clears.
    template <typename T>
    using Storage = std::vector<T, DefaultInitAllocator<T>>;

    Layout m_layout;
    uint32_t m_typeWord;
    uint32_t m_flagWord;
    uint32_t m_vertexCount;
    uint32_t m_faceCount;
    uint32_t m_indexCount;
    std::shared_ptr<Storage<uint8_t>> m_vertices;
    std::shared_ptr<Storage<float>> m_normals;  // separate normals, 3 per vertex
    std::shared_ptr<Storage<uint16_t>> m_indices;
    Storage<float> m_faceNormals;
    std::vector<uint32_t> m_neighbours;
    struct PaletteEntry {
        int bone;
        DisplayMatrix matrix;
    };
    std::vector<PaletteEntry> m_palette;
    std::map<std::string, float> m_properties;
    float m_opacity = 1.0f;
    AutoReference<VertexType> m_vertexType;
    AutoReference<VertexProgram> m_programs[kMaxPasses];
    bool m_vertexDynamic = false;
    bool m_vertexShared = false;
    int m_vertexSharedValue = 0;
    bool m_indexDynamic = false;
    std::unique_ptr<DisplayVertexBuffer> m_vertexBuffer;
    std::unique_ptr<DisplayIndexBuffer> m_indexBuffer;
    bool m_vertexDirty = true;
    bool m_indexDirty = true;
};

// The engine's single-stream chunk is the chunk above.
using GeometryChunkSingleStream = GeometryChunk;

// Chunks over a packed vertex layout (engine/geometry/PackedVertex.h); the
// Nml form adds a separate normal array served as item 4.
template <typename V, typename Base = GeometryChunkSingleStream>
class GeometryChunkTemplate : public Base {
public:
    GeometryChunkTemplate(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t typeWord, uint32_t flagWord = 0)
        : Base(GeometryChunk::Layout::Packed<V>(false), a, b, c, d, typeWord, flagWord) {}
};

template <typename V, typename Base = GeometryChunkSingleStream>
class GeometryChunkNmlTemplate : public Base {
public:
    GeometryChunkNmlTemplate(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t typeWord,
                             uint32_t flagWord = 0)
        : Base(GeometryChunk::Layout::Packed<V>(true), a, b, c, d, typeWord, flagWord) {}
};

}  // namespace Vek
