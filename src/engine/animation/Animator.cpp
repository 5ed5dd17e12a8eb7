#include "engine/animation/Animator.h"

#include "engine/animation/AnimationModifier.h"
#include "engine/animation/SkeletonModifier.h"
#include "engine/scene/ParticleBone.h"

namespace Vek {

struct Animator::Playing {
    std::unique_ptr<AnimationModifier> modifier;
    Particle* target = nullptr;
    int mode = 0;
    float speed = 1.0f, start = 0.0f, blendIn = 0.0f, blendOut = 0.0f, offset = 0.0f, weight = 1.0f;
};

Animator::Animator(Display* display, const ResourceDatabase* database, SkeletonModifier* skeleton)
    : m_display(display), m_database(database), m_skeleton(skeleton) {}

Animator::~Animator() = default;

int Animator::Add(Particle* target, const char* name, int mode, float speed, float start, float blendIn,
                  float blendOut, float offset, float weight) {
    std::unique_ptr<AnimationModifier> modifier(AnimationModifier::CreateInstance(m_database, name, mode));
    if (!modifier) return kUnreadable;
    if (!m_skeleton || !m_skeleton->HasSkeleton()) return kSkeletonMismatch;
    for (const KinAnimation::Track& track : modifier->GetAnimation().tracks)
        if (!m_skeleton->FindBone(track.bone)) return kSkeletonMismatch;
    auto playing = std::make_unique<Playing>();
    playing->modifier = std::move(modifier);
    playing->target = target ? target : m_skeleton->GetTarget();
    playing->mode = mode;
    playing->speed = speed;
    playing->start = start;
    playing->blendIn = blendIn;
    playing->blendOut = blendOut;
    playing->offset = offset;
    playing->weight = weight;
    m_playing.push_back(std::move(playing));
    return kAdded;
}

}  // namespace Vek
