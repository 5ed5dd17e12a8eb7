#pragma once
// A particle that can be the subject of a viewport: it keeps the viewport
// it was last shown in.
#include "engine/scene/Particle.h"

namespace Vek {

class ViewPortParticle : public Particle {
public:
    static constexpr uint32_t kID = 1;

    ViewPort* GetViewPort() const { return m_viewPort; }
    void SetViewPort(ViewPort* viewPort) { m_viewPort = viewPort; }

    uint32_t GetID() const override { return kID; }
    Particle* CreateInstance() const override;

protected:
    void InitInstance(const ViewPortParticle& source) {
        Particle::InitInstance(source);
        m_viewPort = source.m_viewPort;
    }

private:
    ViewPort* m_viewPort = nullptr;
};

}  // namespace Vek
