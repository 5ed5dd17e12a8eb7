#pragma once
// One viewport of a frame as the scene's render pass sees it: the display
// it draws on, the camera it looks through, the number of the frame being
// drawn (matched against the frame an object was last culled in) and the
// view transform the materials read.
#include <cstdint>

#include "engine/display/Viewport.h"

namespace Vek {

class Camera;
class Display;

class ViewPort {
public:
    ViewPort() = default;
    ViewPort(Display* display, Camera* camera) : m_display(display), m_camera(camera) {}

    Display* GetDisplay() const { return m_display; }
    Camera* GetCamera() const { return m_camera; }
    uint32_t GetFrameNumber() const { return m_frame; }
    void SetFrameNumber(uint32_t frame) { m_frame = frame; }

    // What a material draw needs of the view.
    Viewport* GetDisplayViewport() { return &m_viewport; }

private:
    Display* m_display = nullptr;
    Camera* m_camera = nullptr;
    uint32_t m_frame = 1;
    Viewport m_viewport;
};

}  // namespace Vek
