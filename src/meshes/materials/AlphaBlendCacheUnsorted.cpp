#include "meshes/materials/AlphaBlendCacheUnsorted.h"

#include "engine/display/Display.h"
#include "engine/materials/Material.h"

namespace Vek {

void AlphaBlendCacheUnsorted::Draw(Display* display, Viewport* viewport) {
    BeginBlendState(display);
    std::size_t from = m_windows.empty() ? 0 : m_windows.back();
    // Drawing may submit again: draw what the window held when called.
    const std::size_t end = m_entries.size();
    for (std::size_t i = from; i < end; ++i) {
        Entry e = m_entries[i];
        e.material->DrawCached(display, viewport, e.chunk, e.pass, e.transform);
    }
    EndBlendState(display);
}

void AlphaBlendCacheUnsorted::Leave(Display* display, Viewport* viewport, bool nested) {
    if (!nested || m_windows.empty()) return;
    Draw(display, viewport);
    ClearEntries(m_windows.back());
    m_windows.pop_back();
}

void AlphaBlendCacheUnsorted::BeginBlendState(Display* display) {
    if (!display) return;
    display->GetAlphaBlendFunction(m_savedSource, m_savedDestination);
    display->SetAlphaBlendFunction(m_blendSource, m_blendDestination);
    display->SetAlphaTestMode(false);
    display->SetAlphaBlendMode(true);
    display->SetDepthWriteMode(false);
}

void AlphaBlendCacheUnsorted::EndBlendState(Display* display) {
    if (!display) return;
    display->SetAlphaBlendFunction(m_savedSource, m_savedDestination);
    display->SetAlphaBlendMode(false);
    display->SetAlphaTestMode(false);
    display->SetDepthWriteMode(true);
}

}  // namespace Vek
