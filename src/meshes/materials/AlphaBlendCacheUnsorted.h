#pragma once
// A transparency cache that keeps submissions in arrival order and draws
// them as they came, with blending (source alpha, inverse source alpha) on
// and depth writes off; the blend factors the display had are put back
// afterwards. Draw keeps the entries; Reset and Clear drop them. Entries
// hold a reference to their material and chunk. Render thread only.
#include "engine/materials/RenderingCache.h"

namespace Vek {

class AlphaBlendCacheUnsorted : public RenderingCache {
public:
    static constexpr int AlphaBlendCacheUnsortedID = 5;
    static constexpr const char* kName = "AlphaBlendCacheUnsorted";
    static constexpr float kPriority = 55.0f;

    AlphaBlendCacheUnsorted() : RenderingCache(AlphaBlendCacheUnsortedID, 0) {}

    void Draw(Display* display, Viewport* viewport) override;
    // A nested window is drawn and dropped when it closes, so that its
    // entries do not pass into the enclosing window.
    void Leave(Display* display, Viewport* viewport, bool nested) override;
    void Clear() { Reset(); }

    void BeginBlendState(Display* display);
    void EndBlendState(Display* display);

private:
    int m_blendSource = 4;
    int m_blendDestination = 5;
    int m_savedSource = 0;
    int m_savedDestination = 0;
};

}  // namespace Vek
