#pragma once
// The part of a scene object that the culling pass stamps: the number of
// the last frame in which it was found visible.
#include <cstdint>

namespace Vek {

class Element {
public:
    virtual ~Element() = default;
    uint32_t GetLastCulledFrame() const { return m_lastCulledFrame; }
    void SetLastCulledFrame(uint32_t frame) { m_lastCulledFrame = frame; }

private:
    uint32_t m_lastCulledFrame = 0xFFFFFFFFu;
};

}  // namespace Vek
