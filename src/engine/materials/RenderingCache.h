#pragma once
// Rendering caches: places where materials put chunks that must be drawn
// later and in another order (transparent chunks after the opaque ones).
// The render kernel's rendering-cache manager holds the caches by id; a
// material plug-in looks a cache up by its id and makes and adds it when it
// is missing, so that all plug-ins share one cache of each kind.
//
//   class                     id
//   AlphaBlendCache           AlphaBlendCacheID (1): sorted back to front
//   AlphaMaskCache            AlphaMaskCacheID (2)
//   MaterialChunkCache        MaterialChunkCacheID (3): grouped by material
//   UnsortedAlphaBlendCache   UnsortedAlphaBlendCacheID (4)
//
// A cache keeps {material, chunk, pass, transform} entries, each holding a
// reference to its material and chunk, until Draw or Reset. Enter and Leave
// open and close nested windows (Leave draws what the window collected).
// Counted.
#include <vector>

#include "engine/ReferenceCount.h"
#include "engine/display/DisplayMatrix.h"

namespace Vek {

class Display;
class GeometryChunk;
class Material;
struct Viewport;

class RenderingCache : public ReferenceCount {
public:
    struct Entry {
        Material* material;
        GeometryChunk* chunk;
        int pass;
        DisplayMatrix transform;
    };

    RenderingCache(int id, int argument) : m_id(id), m_argument(argument) {}

    int GetCacheID() const { return m_id; }
    int GetArgument() const { return m_argument; }

    virtual void Submit(Display* display, Viewport* viewport, Material* material, GeometryChunk* chunk, int pass,
                        const DisplayMatrix& transform);
    virtual void Draw(Display* display, Viewport* viewport);
    virtual void Reset();
    virtual void Enter(Display* display, Viewport* viewport, bool nested);
    virtual void Leave(Display* display, Viewport* viewport, bool nested);

    // Drops every entry of every window (the manager's shutdown: entries
    // hold materials, which hold their caches). Caches that keep entries of
    // their own drop those too.
    virtual void ClearAll() {
        ClearEntries(0);
        m_windows.clear();
    }
    std::size_t GetEntryCount() const { return m_entries.size(); }
    const std::vector<Entry>& GetEntries() const { return m_entries; }

protected:
    ~RenderingCache() override;
    void ClearEntries(std::size_t from);

    std::vector<Entry> m_entries;
    std::vector<std::size_t> m_windows;  // entry index where each nested window starts

private:
    int m_id;
    int m_argument;
};

class AlphaBlendCache : public RenderingCache {
public:
    static constexpr int AlphaBlendCacheID = 1;
    explicit AlphaBlendCache(int argument) : RenderingCache(AlphaBlendCacheID, argument) {}
    // Draws the entries far to near (by the transform's translation z, the
    // larger first), then empties the cache.
    void Draw(Display* display, Viewport* viewport) override;

protected:
    AlphaBlendCache(int id, int argument) : RenderingCache(id, argument) {}
};

class AlphaMaskCache : public RenderingCache {
public:
    static constexpr int AlphaMaskCacheID = 2;
    explicit AlphaMaskCache(int argument) : RenderingCache(AlphaMaskCacheID, argument) {}
};

class MaterialChunkCache : public RenderingCache {
public:
    static constexpr int MaterialChunkCacheID = 3;
    explicit MaterialChunkCache(int argument) : RenderingCache(MaterialChunkCacheID, argument) {}
};

class UnsortedAlphaBlendCache : public RenderingCache {
public:
    static constexpr int UnsortedAlphaBlendCacheID = 4;
    explicit UnsortedAlphaBlendCache(int argument) : RenderingCache(UnsortedAlphaBlendCacheID, argument) {}
};

}  // namespace Vek
