#pragma once
// Moves the bones of a skeleton: it works on the bone particles found below
// a particle (a loaded model), and plays animations onto them with a blend
// weight.
#include <vector>

#include "engine/PString.h"

namespace Vek {

class Particle;
class ParticleBone;
class RenderKernel;

class SkeletonModifier {
public:
    SkeletonModifier(Particle* target, RenderKernel* renderKernel, float blend)
        : m_target(target), m_renderKernel(renderKernel), m_blend(blend) {}

    Particle* GetTarget() const { return m_target; }
    RenderKernel* GetRenderKernel() const { return m_renderKernel; }
    float GetBlend() const { return m_blend; }

    // The bone particles below the target, in tree order (found afresh on
    // each call, so bones added later count).
    std::vector<ParticleBone*> GetBones() const;
    bool HasSkeleton() const;
    ParticleBone* FindBone(const PString& name) const;

private:
    Particle* m_target;
    RenderKernel* m_renderKernel;
    float m_blend;
};

}  // namespace Vek
