#include "engine/animation/SkeletonModifier.h"

#include "engine/scene/ParticleBone.h"

namespace Vek {

std::vector<ParticleBone*> SkeletonModifier::GetBones() const {
    std::vector<ParticleBone*> bones;
    if (!m_target) return bones;
    for (Particle* p = m_target->NextInSubtree(m_target); p; p = m_target->NextInSubtree(p))
        if (auto* bone = dynamic_cast<ParticleBone*>(p)) bones.push_back(bone);
    return bones;
}

bool SkeletonModifier::HasSkeleton() const { return !GetBones().empty(); }

ParticleBone* SkeletonModifier::FindBone(const PString& name) const {
    for (ParticleBone* bone : GetBones())
        if (bone->GetName() == name) return bone;
    return nullptr;
}

}  // namespace Vek
