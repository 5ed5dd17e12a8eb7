#include "meshes/materials/VorlexAlphaBlendCache.h"

#include <algorithm>
#include <bit>

#include "engine/display/Display.h"
#include "engine/display/DisplayLight.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/materials/Material.h"

namespace Vek {

namespace {

struct PrimitiveLayout {
    uint32_t perPrimitive = 0;
    uint32_t step = 0;
    int drawKind = 0;
    bool fan = false;
};

// The layout of a chunk's primitive code; perPrimitive 0 for none.
PrimitiveLayout LayoutOf(uint32_t code) {
    switch (code) {
        case 0: return {1, 1, GeometryChunk::kPointList, false};
        case 1: return {2, 2, GeometryChunk::kLineList, false};
        case 2: return {2, 1, GeometryChunk::kLineList, false};
        case 4: return {3, 3, GeometryChunk::kTriangleList, false};
        case 8: return {3, 1, GeometryChunk::kTriangleList, false};
        case 16: return {3, 1, GeometryChunk::kTriangleList, true};
        default: return {};
    }
}

// The engine primitive type a chunk is drawn with as it is.
int PlainDrawKind(uint32_t code) {
    switch (code) {
        case 0: return GeometryChunk::kPointList;
        case 1: return GeometryChunk::kLineList;
        case 2: return GeometryChunk::kLineStrip;
        case 8: return GeometryChunk::kTriangleStrip;
        case 16: return GeometryChunk::kTriangleFan;
        default: return GeometryChunk::kTriangleList;
    }
}

// How many whole primitives the chunk's indices hold. Short chunks give 0
// (an index count below the primitive's size would otherwise wrap), and a
// triangle list never claims more triangles than its indices carry.
uint32_t PrimitiveCount(uint32_t code, uint32_t indexCount, uint32_t triangles) {
    switch (code) {
        case 0: return indexCount;
        case 1: return indexCount / 2;
        case 2: return indexCount >= 2 ? indexCount - 1 : 0;
        case 4: return std::min(triangles, indexCount / 3);
        case 8:
        case 16: return indexCount >= 3 ? indexCount - 2 : 0;
        default: return 0;
    }
}

}  // namespace

VorlexAlphaBlendCache::VorlexAlphaBlendCache() : AlphaBlendCache(1) {
    m_buckets.resize(kBucketsPerWindow);
    Reset();
}

VorlexAlphaBlendCache::~VorlexAlphaBlendCache() { ClearAll(); }

float VorlexAlphaBlendCache::Depth(const DisplayMatrix& transform) {
    const float* t = transform.m[3];
    float x = t[0] * t[0] + t[1] * t[1] + t[2] * t[2];
    if (x == 0.0f) return 0.0f;
    float y = std::bit_cast<float>(0x5F3759DFu - (std::bit_cast<uint32_t>(x) >> 1));
    y = y * (1.5f - 0.5f * x * y * y);
    return x * y;
}

int VorlexAlphaBlendCache::BucketOf(float depth) {
    float scaled = kBucketFactor * depth;
    if (!(scaled >= 0.0f)) return 0;  // negative or NaN
    if (scaled >= float(kBucketsPerWindow - 1)) return kBucketsPerWindow - 1;
    return static_cast<int>(scaled);
}

std::unique_ptr<VorlexAlphaBlendCache::Entry> VorlexAlphaBlendCache::TakeEntry() {
    if (m_free.empty()) return std::make_unique<Entry>();
    std::unique_ptr<Entry> entry = std::move(m_free.back());
    m_free.pop_back();
    return entry;
}

void VorlexAlphaBlendCache::FreeEntry(std::unique_ptr<Entry> entry) {
    if (entry->material) entry->material->ReleaseReference();
    if (entry->chunk) entry->chunk->ReleaseReference();
    entry->material = nullptr;
    entry->chunk = nullptr;
    entry->indices.clear();
    entry->ownsIndices = false;
    m_free.push_back(std::move(entry));
}

void VorlexAlphaBlendCache::ClearBucket(Bucket& bucket) {
    for (auto& [key, entry] : bucket) FreeEntry(std::move(entry));
    bucket.clear();
}

void VorlexAlphaBlendCache::Submit(Display*, Viewport*, Material* material, GeometryChunk* chunk, int pass,
                                   const DisplayMatrix& transform) {
    if (!material || !chunk) return;
    const float depth = Depth(transform);
    const int bucket = BucketOf(depth);

    std::unique_ptr<Entry> entry = TakeEntry();
    material->AddReference();
    chunk->AddReference();
    entry->chunk = chunk;
    entry->material = material;
    entry->pass = pass;
    entry->transform = transform;
    entry->key = depth;
    entry->indexCount = chunk->GetIndexCount();
    entry->primitiveCount = chunk->GetTriangleCount();
    entry->drawKind = PlainDrawKind(chunk->GetPrimitiveCode());
    if (bucket < kSortedBuckets) SortPrimitives(*entry);

    const float key = entry->key;
    m_buckets[static_cast<std::size_t>(m_windowStart + bucket)].emplace(key, std::move(entry));
}

void VorlexAlphaBlendCache::SortPrimitives(Entry& entry) const {
    const GeometryChunk& chunk = *entry.chunk;
    const uint32_t code = chunk.GetPrimitiveCode();
    const PrimitiveLayout layout = LayoutOf(code);
    const uint16_t* indices = chunk.GetIndexArray();
    const uint32_t indexCount = chunk.GetIndexCount();
    if (layout.perPrimitive == 0 || !indices) return;
    const uint32_t count = PrimitiveCount(code, indexCount, chunk.GetTriangleCount());
    if (count == 0) return;

    uint32_t stride = 0;
    const uint8_t* positions = chunk.GetItemArray(kItemPosition, stride);
    if (!positions) return;
    const uint32_t vertexCount = chunk.GetVertexCount();

    // The eye in the chunk's space: -(t x R transposed).
    const DisplayMatrix& m = entry.transform;
    float eye[3];
    for (int i = 0; i < 3; ++i)
        eye[i] = -(m.m[3][0] * m.m[i][0] + m.m[3][1] * m.m[i][1] + m.m[3][2] * m.m[i][2]);

    auto indexOf = [&](uint32_t k, uint32_t n) -> uint32_t {
        const uint32_t j = k * layout.step;
        if (layout.fan) return n == 0 ? indices[0] : indices[j + n];
        return indices[j + n];
    };

    std::vector<std::pair<uint32_t, float>> keys;
    keys.reserve(count);
    for (uint32_t k = 0; k < count; ++k) {
        float centre[3] = {0, 0, 0};
        for (uint32_t n = 0; n < layout.perPrimitive; ++n) {
            const uint32_t v = indexOf(k, n);
            if (v >= vertexCount) return;  // an index past the vertices: leave the chunk unsorted
            const float* p = reinterpret_cast<const float*>(positions + std::size_t(v) * stride);
            for (int i = 0; i < 3; ++i) centre[i] += p[i];
        }
        float d = 0.0f;
        for (int i = 0; i < 3; ++i) {
            const float c = centre[i] * (1.0f / float(layout.perPrimitive)) - eye[i];
            d += c * c;
        }
        keys.emplace_back(k, d);
    }
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.second > b.second; });

    entry.key = (keys.front().second + keys.back().second) / 2.0f;
    entry.indices.clear();
    entry.indices.reserve(std::size_t(count) * layout.perPrimitive);
    for (const auto& [k, key] : keys)
        for (uint32_t n = 0; n < layout.perPrimitive; ++n) entry.indices.push_back(static_cast<uint16_t>(indexOf(k, n)));
    entry.ownsIndices = true;
    entry.indexCount = static_cast<uint32_t>(entry.indices.size());
    entry.primitiveCount = count;
    entry.drawKind = layout.drawKind;
}

void VorlexAlphaBlendCache::Draw(Display* display, Viewport* viewport) {
    BeginBlendState(display);
    for (int b = kBucketsPerWindow - 1; b >= 0; --b) {
        Bucket& bucket = m_buckets[static_cast<std::size_t>(m_windowStart + b)];
        if (bucket.empty()) continue;
        // Drawing may submit again: take the bucket's entries out first.
        Bucket drawn;
        drawn.swap(bucket);
        for (auto it = drawn.rbegin(); it != drawn.rend(); ++it) {
            Entry& e = *it->second;
            if (display) display->SetAlphaBlendFunction(4, 5);
            if (e.ownsIndices)
                e.material->RenderPrimitives(display, viewport, e.chunk, DisplayLightList(), e.transform, e.indexCount,
                                             e.indices.data(), e.primitiveCount, e.drawKind);
            else
                e.material->DrawCached(display, viewport, e.chunk, e.pass, e.transform);
        }
        ClearBucket(drawn);
    }
    EndBlendState(display);
}

void VorlexAlphaBlendCache::Reset() {
    for (int b = 0; b < kBucketsPerWindow; ++b) ClearBucket(m_buckets[static_cast<std::size_t>(m_windowStart + b)]);
}

void VorlexAlphaBlendCache::ClearAll() {
    for (Bucket& bucket : m_buckets) ClearBucket(bucket);
    m_windowStart = 0;
    RenderingCache::ClearAll();
}

void VorlexAlphaBlendCache::Enter(Display*, Viewport*, bool nested) {
    if (!nested) return;
    m_windowStart += kBucketsPerWindow;
    if (static_cast<std::size_t>(m_windowStart) >= m_buckets.size()) {
        std::size_t count = m_buckets.size() + kBucketsPerWindow;
        m_buckets.reserve((count / 128 + 1) * 128);
        m_buckets.resize(count);
    }
    Reset();
}

void VorlexAlphaBlendCache::Leave(Display* display, Viewport* viewport, bool nested) {
    if (!nested) return;
    // A Leave without its Enter would move the window below the first one.
    if (m_windowStart < kBucketsPerWindow) return;
    Draw(display, viewport);
    m_windowStart -= kBucketsPerWindow;
}

bool VorlexAlphaBlendCache::IsEmpty() const {
    for (int b = 0; b < kBucketsPerWindow; ++b)
        if (!m_buckets[static_cast<std::size_t>(m_windowStart + b)].empty()) return false;
    return true;
}

void VorlexAlphaBlendCache::SetSortDistance(float distance) {
    m_sortDistance = distance;
    m_nearBuckets = static_cast<int>(distance * 0.2f);
}

void VorlexAlphaBlendCache::BeginBlendState(Display* display) {
    if (!display) return;
    display->SetAlphaTestMode(false);
    display->SetAlphaBlendMode(true);
    display->SetDepthWriteMode(false);
}

void VorlexAlphaBlendCache::EndBlendState(Display* display) {
    if (!display) return;
    display->SetAlphaBlendFunction(1, 0);
    display->SetAlphaBlendMode(false);
    display->SetAlphaTestMode(false);
    display->SetDepthWriteMode(true);
}

std::vector<const VorlexAlphaBlendCache::Entry*> VorlexAlphaBlendCache::BucketEntries(int bucket) const {
    std::vector<const Entry*> out;
    if (bucket < 0 || bucket >= kBucketsPerWindow) return out;
    const Bucket& b = m_buckets[static_cast<std::size_t>(m_windowStart + bucket)];
    for (auto it = b.rbegin(); it != b.rend(); ++it) out.push_back(it->second.get());
    return out;
}

}  // namespace Vek
