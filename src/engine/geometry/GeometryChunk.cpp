#include "engine/geometry/GeometryChunk.h"

#include <algorithm>
#include <cstring>

#include "engine/display/Display.h"
#include "engine/display/VertexProgram.h"
#include "engine/geometry/VertexType.h"

namespace Vek {

GeometryChunk::Layout::Layout() {
    for (int& o : offsets) o = -1;
}

void GeometryChunk::Layout::Add(int item) {
    uint32_t size = VertexItemSize(item);
    if (size == 0 || Has(item)) return;
    offsets[item] = static_cast<int>(vertexSize);
    vertexSize += size;
}

GeometryChunk::Layout GeometryChunk::Layout::Standard(const StandardChunkHint* hint, bool textured) {
    StandardChunkHint none;
    const StandardChunkHint& h = hint ? *hint : none;
    Layout l;
    l.separateNormals = (h.options & StandardChunkHint::kOptionSeparateNormals) != 0;
    l.Add(kItemPosition);
    if (!l.separateNormals) l.Add(kItemNormal);
    if (h.flags & StandardChunkHint::kFlagSoftwareLighting) l.Add(kItemDiffuse);
    if (textured) {
        uint32_t sets = std::min<uint32_t>(h.texCoordSets, 8);
        for (uint32_t k = 0; k < sets; ++k) l.Add(kItemTexCoord0 + static_cast<int>(k));
    }
    bool skinned = (h.flags & StandardChunkHint::kFlagSkinned) != 0;
    bool software = (h.flags & StandardChunkHint::kFlagSoftwareSkinning) != 0;
    if (skinned && !software) {
        if (h.flags & StandardChunkHint::kFlagFloatWeights) {
            uint32_t n = std::clamp<uint32_t>(h.influences, 1, 4);
            l.Add(kItemWeight1 + static_cast<int>(n) - 1);
        } else {
            l.Add(kItemPackedWeights);
        }
        l.Add(kItemPaletteIndices);
    }
    if (h.options & StandardChunkHint::kOptionExtraVector) l.Add(kItemExtraVector);
    // The standard types are numbered by their item set, with bit 30 set so
    // that they never meet the small ids of the packed and materials' own
    // types.
    uint32_t id = 0;
    for (int item = 1; item < kItemCount; ++item)
        if (l.Has(item)) id |= 1u << item;
    l.vertexTypeId = static_cast<int>((id & 0x3FFFFFFFu) | 0x40000000u);
    return l;
}

VertexType* GeometryChunk::MakeVertexType(const Layout& layout) {
    auto* type = new VertexType(layout.vertexTypeId);
    int stream = type->CreateStream();
    for (int item = 1; item < kItemCount; ++item) {
        if (!layout.Has(item)) continue;
        VertexType::Item entry;
        entry.item = item;
        entry.stream = stream;
        entry.offset = layout.offsets[item];
        type->AddItem(entry);
    }
    return type;
}

int GeometryChunk::PrimitiveCode(int primitiveType) {
    switch (primitiveType) {
        case kTriangleList: return 4;
        case kTriangleStrip: return 8;
        case kTriangleFan: return 16;
        case kLineList: return 1;
        case kLineStrip: return 2;
        case kPointList: return 0;
        default: return -1;
    }
}

uint32_t GeometryChunk::MakeTypeWord(int primitiveType, const StandardChunkHint* hint) {
    int code = PrimitiveCode(primitiveType);
    uint32_t word = code < 0 ? 0 : static_cast<uint32_t>(code);
    uint32_t flags = hint ? hint->flags : 0;
    bool skinned = (flags & StandardChunkHint::kFlagSkinned) != 0;
    if (skinned && (flags & StandardChunkHint::kFlagSoftwareSkinning))
        word |= kFlagSoftwareSkinned | kFlagPrivate | kFlagNoStaticVertexBuffer;
    if (flags & StandardChunkHint::kFlagSoftwareLighting) word |= kFlagPrivate;
    return word;
}

uint32_t GeometryChunk::MakeFlagWord(int primitiveType, const StandardChunkHint* hint) {
    uint32_t word = MakeTypeWord(primitiveType, hint) & ~kPrimitiveMask;
    // Lists append as they are; a strip or fan appended to another would
    // join the two with triangles neither had. Whether a skinned chunk may
    // merge is decided by the merge from its kind.
    if (primitiveType == kTriangleList || primitiveType == kLineList || primitiveType == kPointList)
        word |= kFlagMergeable;
    return word;
}

GeometryChunk::GeometryChunk(const Layout& layout, uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                             uint32_t faceNormalCount, uint32_t typeWord, uint32_t flagWord)
    : m_layout(layout), m_typeWord(typeWord), m_flagWord(flagWord | (typeWord & ~kPrimitiveMask)),
      m_vertexCount(vertexCount), m_faceCount(faceCount),
      m_indexCount(indexCount),
      m_vertices(std::make_shared<Storage<uint8_t>>(std::size_t(vertexCount) * layout.vertexSize, uint8_t(0))),
      m_indices(std::make_shared<Storage<uint16_t>>(indexCount, uint16_t(0))),
      m_faceNormals(std::size_t(faceNormalCount) * 3, 0.0f) {
    if (layout.separateNormals) m_normals = std::make_shared<Storage<float>>(std::size_t(vertexCount) * 3, 0.0f);
}

GeometryChunk::~GeometryChunk() = default;

GeometryChunk* GeometryChunk::CreateInstance(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                             uint32_t faceNormalCount) const {
    return new GeometryChunk(m_layout, vertexCount, faceCount, indexCount, faceNormalCount, m_typeWord, m_flagWord);
}

GeometryChunk* GeometryChunk::Clone() const {
    GeometryChunk* copy = new GeometryChunk(m_layout, 0, m_faceCount, 0, 0, m_typeWord, m_flagWord);
    copy->m_vertexCount = m_vertexCount;
    copy->m_indexCount = m_indexCount;
    copy->m_vertices = m_vertices;
    copy->m_normals = m_normals;
    copy->m_indices = m_indices;
    copy->m_faceNormals = m_faceNormals;
    copy->m_neighbours = m_neighbours;
    copy->m_palette = m_palette;
    copy->m_properties = m_properties;
    copy->m_opacity = m_opacity;
    copy->m_vertexType = m_vertexType;
    for (int i = 0; i < kMaxPasses; ++i) copy->m_programs[i] = m_programs[i];
    copy->m_vertexDynamic = m_vertexDynamic;
    copy->m_vertexShared = m_vertexShared;
    copy->m_vertexSharedValue = m_vertexSharedValue;
    copy->m_indexDynamic = m_indexDynamic;
    return copy;
}

uint32_t GeometryChunk::GetVertexCapacity() const {
    return m_layout.vertexSize ? static_cast<uint32_t>(m_vertices->size() / m_layout.vertexSize) : 0;
}

uint32_t GeometryChunk::GetMaxIndexCount() const { return static_cast<uint32_t>(m_indices->size()); }

GeometryChunk::ItemArray GeometryChunk::GetItemArray(int item) {
    ItemArray a;
    if (item == kItemNormal && m_layout.separateNormals) {
        if (m_normals && !m_normals->empty()) {
            a.pointer = reinterpret_cast<uint8_t*>(m_normals->data());
            a.stride = 12;
        }
        return a;
    }
    if (!m_layout.Has(item) || m_vertices->empty()) return a;
    a.pointer = m_vertices->data() + m_layout.offsets[item];
    a.stride = m_layout.vertexSize;
    return a;
}

const uint8_t* GeometryChunk::GetItemArray(int item, uint32_t& stride) const {
    ItemArray a = const_cast<GeometryChunk*>(this)->GetItemArray(item);
    stride = a.stride;
    return a.pointer;
}

bool GeometryChunk::SetFaceNeighborArray(std::vector<uint32_t> neighbours) {
    if (neighbours.size() != std::size_t(m_faceCount) * 3) return false;
    m_neighbours = std::move(neighbours);
    return true;
}

int GeometryChunk::AddInfluenceMatrix(int bone) {
    for (std::size_t i = 0; i < m_palette.size(); ++i)
        if (m_palette[i].bone == bone) return static_cast<int>(i);
    m_palette.push_back({bone, DisplayMatrix()});
    return static_cast<int>(m_palette.size()) - 1;
}

int GeometryChunk::GetInfluenceBone(int slot) const {
    return slot >= 0 && slot < GetInfluenceMatrixCount() ? m_palette[static_cast<std::size_t>(slot)].bone : -1;
}

bool GeometryChunk::SetInfluenceMatrix(int slot, const DisplayMatrix& matrix) {
    if (slot < 0 || slot >= GetInfluenceMatrixCount()) return false;
    m_palette[static_cast<std::size_t>(slot)].matrix = matrix;
    return true;
}

const DisplayMatrix* GeometryChunk::GetInfluenceMatrix(int slot) const {
    return slot >= 0 && slot < GetInfluenceMatrixCount() ? &m_palette[static_cast<std::size_t>(slot)].matrix : nullptr;
}

bool GeometryChunk::AddChunkProperty(const std::string& name) {
    return m_properties.emplace(name, 0.0f).second;
}

bool GeometryChunk::SetChunkProperty(const std::string& name, float value) {
    auto it = m_properties.find(name);
    if (it == m_properties.end()) return false;
    it->second = value;
    return true;
}

bool GeometryChunk::GetChunkProperty(const std::string& name, float& value) const {
    auto it = m_properties.find(name);
    if (it == m_properties.end()) return false;
    value = it->second;
    return true;
}

void GeometryChunk::SetOpacity(Display* display, float opacity) {
    m_opacity = opacity;
    if (display) display->GetTrace().Add("SetChunkOpacity " + std::to_string(opacity));
}

void GeometryChunk::SetVertexType(VertexType* type) { m_vertexType.Share(type); }

VertexType* GeometryChunk::AssignVertexType(Display* display) {
    if (!m_vertexType && display) m_vertexType.Share(display->FindVertexType(m_layout.vertexTypeId));
    return m_vertexType.Get();
}

void GeometryChunk::SetVertexProgram(int pass, VertexProgram* program) {
    if (pass >= 0 && pass < kMaxPasses) m_programs[pass].Share(program);
}

VertexProgram* GeometryChunk::GetVertexProgram(int pass) const {
    return pass >= 0 && pass < kMaxPasses ? m_programs[pass].Get() : nullptr;
}

void GeometryChunk::SetVertexDataDynamic(int /*stream*/, int /*value*/, bool on) { m_vertexDynamic = on; }

void GeometryChunk::SetVertexDataShared(int /*stream*/, int value, bool on) {
    m_vertexShared = true;
    m_vertexSharedValue = value;
    (void)on;
}

bool GeometryChunk::InitializeBuffers(Display* display, bool upload) {
    if (!display) return false;
    if (!HasFlag(kFlagNoStaticVertexBuffer) && !m_vertexBuffer) {
        if (m_layout.vertexSize == 0) return false;
        std::unique_ptr<DisplayVertexBuffer> buffer = display->CreateStaticVertexBuffer(GetVertexCapacity(), m_layout.vertexSize);
        if (!buffer) return false;
        if (upload) {
            if (!buffer->Upload(GetVertexArray(), m_vertexCount)) return false;
            m_vertexDirty = false;
        } else {
            m_vertexDirty = true;
        }
        m_vertexBuffer = std::move(buffer);
    }
    if (!HasFlag(kFlagNoStaticIndexBuffer) && !m_indexBuffer) {
        std::unique_ptr<DisplayIndexBuffer> buffer = display->CreateStaticIndexBuffer(GetMaxIndexCount());
        if (!buffer) return false;
        if (upload) {
            if (!buffer->Upload(GetIndexArray(), m_indexCount)) return false;
            m_indexDirty = false;
        } else {
            m_indexDirty = true;
        }
        m_indexBuffer = std::move(buffer);
    }
    return true;
}

bool GeometryChunk::LoadBuffers(Display* /*display*/) {
    if (!HasFlag(kFlagNoStaticVertexBuffer)) {
        if (!m_vertexBuffer || !m_vertexBuffer->Upload(GetVertexArray(), m_vertexCount)) return false;
        m_vertexDirty = false;
    }
    if (!HasFlag(kFlagNoStaticIndexBuffer)) {
        if (!m_indexBuffer || !m_indexBuffer->Upload(GetIndexArray(), m_indexCount)) return false;
        m_indexDirty = false;
    }
    return true;
}

void GeometryChunk::DuplicateVertexArray(Display* display) {
    m_vertices = std::make_shared<Storage<uint8_t>>(*m_vertices);
    if (m_normals) m_normals = std::make_shared<Storage<float>>(*m_normals);
    if (m_vertexBuffer) {
        m_vertexBuffer.reset();
        InitializeBuffers(display, false);
    }
}

void GeometryChunk::DuplicateIndexArray(Display* display) {
    m_indices = std::make_shared<Storage<uint16_t>>(*m_indices);
    if (m_indexBuffer) {
        m_indexBuffer.reset();
        InitializeBuffers(display, false);
    }
}

void GeometryChunk::DuplicateUnsharedArrays(Display* display) {
    if (IsVertexArrayShared() || (m_normals && m_normals.use_count() > 1)) DuplicateVertexArray(display);
    if (IsIndexArrayShared()) DuplicateIndexArray(display);
}

bool GeometryChunk::ResizeVertexArray(uint32_t n, Display* display) {
    if (m_normals) {
        auto normals = std::make_shared<Storage<float>>(std::size_t(n) * 3, 0.0f);
        std::size_t keep = std::min(normals->size(), m_normals->size());
        std::copy_n(m_normals->begin(), keep, normals->begin());
        m_normals = std::move(normals);
    }
    auto vertices = std::make_shared<Storage<uint8_t>>(std::size_t(n) * m_layout.vertexSize, uint8_t(0));
    std::size_t keep = std::min(vertices->size(), m_vertices->size());
    std::copy_n(m_vertices->begin(), keep, vertices->begin());
    m_vertices = std::move(vertices);
    m_vertexCount = n;
    if (m_vertexBuffer) {
        m_vertexBuffer.reset();
        if (display) InitializeBuffers(display, false);
    }
    return true;
}

void GeometryChunk::AllocateUnclearedArrays(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                            uint32_t faceNormalCount) {
    m_vertices = std::make_shared<Storage<uint8_t>>(std::size_t(vertexCount) * m_layout.vertexSize);
    m_normals = m_layout.separateNormals ? std::make_shared<Storage<float>>(std::size_t(vertexCount) * 3) : nullptr;
    m_indices = std::make_shared<Storage<uint16_t>>(indexCount);
    m_faceNormals = Storage<float>(std::size_t(faceNormalCount) * 3);
    m_neighbours.clear();
    m_vertexCount = vertexCount;
    m_faceCount = faceCount;
    m_indexCount = indexCount;
    m_vertexBuffer.reset();
    m_indexBuffer.reset();
    m_vertexDirty = m_indexDirty = true;
}

void GeometryChunk::ClearArrays() {
    std::fill(m_vertices->begin(), m_vertices->end(), uint8_t(0));
    if (m_normals) std::fill(m_normals->begin(), m_normals->end(), 0.0f);
    std::fill(m_indices->begin(), m_indices->end(), uint16_t(0));
    std::fill(m_faceNormals.begin(), m_faceNormals.end(), 0.0f);
}

bool GeometryChunk::AcceptsVertices(const GeometryChunk& other) const {
    if (m_layout.vertexSize != other.m_layout.vertexSize || m_layout.separateNormals != other.m_layout.separateNormals)
        return false;
    for (int item = 0; item < kItemCount; ++item)
        if (m_layout.offsets[item] != other.m_layout.offsets[item]) return false;
    return true;
}

bool GeometryChunk::AppendChunk(const GeometryChunk& other, Display* display) {
    if (!AcceptsVertices(other)) return false;
    uint64_t vertices = uint64_t(m_vertexCount) + other.m_vertexCount;
    if (vertices > 65536) return false;
    const uint16_t* otherIndices = other.GetIndexArray();
    for (uint32_t i = 0; i < other.m_indexCount; ++i)
        if (otherIndices[i] >= other.m_vertexCount) return false;  // an index outside its chunk

    auto newVertices = std::make_shared<Storage<uint8_t>>(std::size_t(vertices) * m_layout.vertexSize, uint8_t(0));
    std::copy_n(m_vertices->begin(), std::size_t(m_vertexCount) * m_layout.vertexSize, newVertices->begin());
    std::copy_n(other.m_vertices->begin(), std::size_t(other.m_vertexCount) * m_layout.vertexSize,
                newVertices->begin() + static_cast<std::ptrdiff_t>(std::size_t(m_vertexCount) * m_layout.vertexSize));
    if (m_normals) {
        auto normals = std::make_shared<Storage<float>>(std::size_t(vertices) * 3, 0.0f);
        std::copy_n(m_normals->begin(), std::size_t(m_vertexCount) * 3, normals->begin());
        if (other.m_normals)
            std::copy_n(other.m_normals->begin(), std::size_t(other.m_vertexCount) * 3,
                        normals->begin() + static_cast<std::ptrdiff_t>(std::size_t(m_vertexCount) * 3));
        m_normals = std::move(normals);
    }
    auto indices = std::make_shared<Storage<uint16_t>>(std::size_t(m_indexCount) + other.m_indexCount, uint16_t(0));
    std::copy_n(m_indices->begin(), m_indexCount, indices->begin());
    for (uint32_t i = 0; i < other.m_indexCount; ++i)
        (*indices)[m_indexCount + i] = static_cast<uint16_t>(otherIndices[i] + m_vertexCount);

    m_vertices = std::move(newVertices);
    m_indices = std::move(indices);
    m_faceNormals.insert(m_faceNormals.end(), other.m_faceNormals.begin(), other.m_faceNormals.end());
    if (!m_neighbours.empty() || !other.m_neighbours.empty()) m_neighbours.clear();  // no longer describes the faces
    m_vertexCount = static_cast<uint32_t>(vertices);
    m_indexCount += other.m_indexCount;
    m_faceCount += other.m_faceCount;
    bool rebuild = m_vertexBuffer || m_indexBuffer;
    m_vertexBuffer.reset();
    m_indexBuffer.reset();
    if (rebuild && display) InitializeBuffers(display, true);
    return true;
}

void GeometryChunk::Render(Display* display, const VertexProgram* program) const {
    if (display) display->DrawChunk(*this, program);
}

void GeometryChunk::RenderPrimitives(Display* display, const VertexProgram* program, uint32_t indexCount,
                                     const uint16_t* indices, uint32_t primitives, int primitiveType) const {
    if (display) display->DrawPrimitives(*this, program, indexCount, indices, primitives, primitiveType);
}

}  // namespace Vek
