#pragma once
// The product's depth-sorted transparency cache. It answers to the engine's
// alpha-blend cache id, so the material plug-ins that look that cache up
// share it once the render set-up has added it.
//
// Submissions go into 200 depth buckets by (int)(0.2 x distance from the
// eye), clamped to 0 .. 199. Each bucket is ordered by key; an equal key
// goes after the ones already there. Entries of the 70 nearest buckets get
// their primitives sorted far to near into an index buffer of their own
// (strips and fans become lists, line strips line lists), and their key
// becomes the mean of the largest and smallest squared primitive distance.
// Draw goes from bucket 199 down to 0 and inside a bucket from the largest
// key down, so of two equal keys the later submission is drawn first.
//
// Nested windows (Enter / Leave with nested set) get 200 buckets of their
// own. Entries hold a reference to their material and chunk until drawn or
// cleared. Render thread only.
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "engine/materials/RenderingCache.h"

namespace Vek {

class VorlexAlphaBlendCache : public AlphaBlendCache {
public:
    static constexpr int kBucketsPerWindow = 200;
    static constexpr int kSortedBuckets = 70;
    static constexpr float kMaximumDepth = 1000.0f;
    static constexpr float kBucketFactor = 200.0f / 1000.0f;
    static constexpr uint32_t kIndexPoolEntries = 10000;

    struct Entry {
        GeometryChunk* chunk = nullptr;    // with a reference
        Material* material = nullptr;      // with a reference
        int pass = 0;
        DisplayMatrix transform;
        std::vector<uint16_t> indices;     // sorted primitives, or empty
        bool ownsIndices = false;
        uint32_t indexCount = 0;
        uint32_t primitiveCount = 0;
        int drawKind = 0;                  // engine primitive type of the draw
        float key = 0.0f;
    };

    VorlexAlphaBlendCache();

    void Submit(Display* display, Viewport* viewport, Material* material, GeometryChunk* chunk, int pass,
                const DisplayMatrix& transform) override;
    void Draw(Display* display, Viewport* viewport) override;
    void Reset() override;
    void Enter(Display* display, Viewport* viewport, bool nested) override;
    void Leave(Display* display, Viewport* viewport, bool nested) override;
    void ClearAll() override;

    bool IsEmpty() const;
    void SetSortDistance(float distance);
    float GetSortDistance() const { return m_sortDistance; }
    int GetNearBucketCount() const { return m_nearBuckets; }

    static void BeginBlendState(Display* display);
    static void EndBlendState(Display* display);

    // The distance of a transform's translation from the origin (fast
    // inverse square root with one Newton step; 0 for 0).
    static float Depth(const DisplayMatrix& transform);
    // The bucket of a depth, 0 .. 199.
    static int BucketOf(float depth);

    // Inspection: the window start and the entries of bucket b of the
    // current window in draw order (largest key first).
    int GetWindowStart() const { return m_windowStart; }
    std::size_t GetBucketCount() const { return m_buckets.size(); }
    std::vector<const Entry*> BucketEntries(int bucket) const;

protected:
    ~VorlexAlphaBlendCache() override;

private:
    using Bucket = std::multimap<float, std::unique_ptr<Entry>>;

    std::unique_ptr<Entry> TakeEntry();
    void FreeEntry(std::unique_ptr<Entry> entry);
    void ClearBucket(Bucket& bucket);
    void SortPrimitives(Entry& entry) const;

    std::vector<Bucket> m_buckets;
    int m_windowStart = 0;
    std::vector<std::unique_ptr<Entry>> m_free;
    float m_sortDistance = 250.0f;
    int m_nearBuckets = 50;
};

}  // namespace Vek
