#pragma once
// One view of the scene for a frame: its camera, its viewport, the frame
// number, and the objects the culling pass found visible, with their
// matrices.
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/math/Matrix4.h"
#include "engine/scene/Camera.h"

namespace Vek {

class Particle;
class ViewPort;

class ViewPoint {
public:
    ViewPoint() = default;
    ViewPoint(Camera* camera, ViewPort* viewPort) : m_camera(camera), m_viewPort(viewPort) {}

    Camera* GetCamera() const { return m_camera; }
    ViewPort* GetViewPort() const { return m_viewPort; }
    uint32_t GetFrame() const { return m_frame; }
    // Starts the next frame: a new number and an empty visible list.
    void NextFrame() {
        ++m_frame;
        m_visible.clear();
    }

    void Add(Particle* particle, const Matrix4& matrix) { m_visible.emplace_back(particle, matrix); }
    const std::vector<std::pair<Particle*, Matrix4>>& GetVisible() const { return m_visible; }

    // The finest mip level the object needs. Nothing is drawn here, so
    // every texture is wanted whole: level 0.
    static uint32_t CalcWantedMipLevelsForCull(const ViewPoint&, const Particle*, float /*textureDetail*/) { return 0; }

private:
    Camera* m_camera = nullptr;
    ViewPort* m_viewPort = nullptr;
    uint32_t m_frame = 1;
    std::vector<std::pair<Particle*, Matrix4>> m_visible;
};

}  // namespace Vek
