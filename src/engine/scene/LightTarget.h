#pragma once
// The lit side of a scene object: a flag that asks for its lighting to be
// worked out again, and the lights that reach it. Nothing is drawn in this
// engine and no light is made, so the light list is empty and a lighting
// pass only counts itself (which lets callers observe when lighting ran).
#include <cstdint>

#include "engine/math/Matrix4.h"

namespace Vek {

class Display;
class ViewPort;

class LightTarget {
public:
    virtual ~LightTarget() = default;

    void SetUpdateLighting(bool update) { m_updateLighting = update; }
    bool GetUpdateLighting() const { return m_updateLighting; }

    // The lights that reach the object (none here).
    const void* GetLightList() const { return nullptr; }

    // The per-frame lighting step.
    virtual void UpdateLighting(Display*, ViewPort*, const Matrix4&, bool force) {
        if (m_updateLighting || force) m_updateLighting = false;
    }

    // Works out the lighting of `chunkCount` chunks with their materials
    // (the arrays are the caller's).
    void CalculateLighting(uint32_t chunkCount, const void* /*chunks*/, const void* /*materials*/) {
        ++m_lightingPasses;
        m_lastChunkCount = chunkCount;
    }
    uint32_t GetLightingPassCount() const { return m_lightingPasses; }
    uint32_t GetLastLitChunkCount() const { return m_lastChunkCount; }

protected:
    void InitInstance(const LightTarget& source) { m_updateLighting = source.m_updateLighting; }

private:
    bool m_updateLighting = true;
    uint32_t m_lightingPasses = 0;
    uint32_t m_lastChunkCount = 0;
};

}  // namespace Vek
