#include "engine/materials/RenderingCache.h"

#include <algorithm>

#include "engine/geometry/GeometryChunk.h"
#include "engine/materials/Material.h"

namespace Vek {

RenderingCache::~RenderingCache() { ClearEntries(0); }

void RenderingCache::ClearEntries(std::size_t from) {
    for (std::size_t i = from; i < m_entries.size(); ++i) {
        m_entries[i].material->ReleaseReference();
        m_entries[i].chunk->ReleaseReference();
    }
    if (from < m_entries.size()) m_entries.resize(from);
}

void RenderingCache::Submit(Display*, Viewport*, Material* material, GeometryChunk* chunk, int pass,
                            const DisplayMatrix& transform) {
    if (!material || !chunk) return;
    material->AddReference();
    chunk->AddReference();
    m_entries.push_back({material, chunk, pass, transform});
}

void RenderingCache::Draw(Display* display, Viewport* viewport) {
    std::size_t from = m_windows.empty() ? 0 : m_windows.back();
    // Drawing may submit again; draw a snapshot of the window.
    std::vector<Entry> drawn(m_entries.begin() + static_cast<std::ptrdiff_t>(from), m_entries.end());
    m_entries.resize(from);
    for (const Entry& e : drawn) {
        e.material->DrawCached(display, viewport, e.chunk, e.pass, e.transform);
        e.material->ReleaseReference();
        e.chunk->ReleaseReference();
    }
}

void RenderingCache::Reset() {
    std::size_t from = m_windows.empty() ? 0 : m_windows.back();
    ClearEntries(from);
}

void RenderingCache::Enter(Display*, Viewport*, bool nested) {
    if (!nested) return;
    m_windows.push_back(m_entries.size());
    Reset();
}

void RenderingCache::Leave(Display* display, Viewport* viewport, bool nested) {
    if (!nested) return;
    Draw(display, viewport);
    if (!m_windows.empty()) m_windows.pop_back();
}

void AlphaBlendCache::Draw(Display* display, Viewport* viewport) {
    std::size_t from = m_windows.empty() ? 0 : m_windows.back();
    std::stable_sort(m_entries.begin() + static_cast<std::ptrdiff_t>(from), m_entries.end(),
                     [](const Entry& a, const Entry& b) { return a.transform.m[3][2] > b.transform.m[3][2]; });
    RenderingCache::Draw(display, viewport);
}

}  // namespace Vek
