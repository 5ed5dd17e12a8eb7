#pragma once
// A named point on a model that other objects attach to. It is a particle:
// it hangs either from the model itself or from one of its bones (its
// target), and moves with it.
#include "engine/scene/Particle.h"
#include "engine/scene/PointNames.h"

namespace Vek {

class AttachmentPoint : public Particle {
public:
    static constexpr uint32_t kID = 4;

    AttachmentPoint(const PString& name, const PString& target) : m_target(target) { SetName(name); }

    // Splits a stored name into the point's name and its target bone (see
    // engine/scene/PointNames.h).
    static void GetSubNames(const char* name, PString& first, PString& second) { SplitPointName(name, first, second); }

    const PString& GetTargetName() const { return m_target; }

    uint32_t GetID() const override { return kID; }
    Particle* CreateInstance() const override {
        auto* copy = new AttachmentPoint(GetName(), m_target);
        copy->InitInstance(*this);
        return copy;
    }

private:
    PString m_target;
};

}  // namespace Vek
