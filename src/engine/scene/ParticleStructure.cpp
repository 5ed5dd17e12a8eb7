#include "engine/scene/ParticleStructure.h"

#include "engine/scene/ParticleNameIndex.h"

namespace Vek {

namespace {

// Whether hanging `point` from `bone` would make a cycle. A point without
// children is an ancestor of no particle but itself, so only a point with
// a subtree needs the walk from the bone to the root.
bool WouldMakeACycle(const AttachmentPoint* point, const Particle* bone) {
    return point->GetFirstChild() ? point->IsAncestorOf(bone) : static_cast<const Particle*>(point) == bone;
}

}  // namespace

void ParticleStructure::AddReferencePoint(ReferencePoint* point) {
    if (point) m_referencePoints.emplace_back(point);
}

const ReferencePoint* ParticleStructure::FindReferencePoint(const PString& name) const {
    for (const auto& point : m_referencePoints)
        if (point->GetName() == name) return point.get();
    return nullptr;
}

bool ParticleStructure::AddAttachmentPoint(AttachmentPoint* point, bool onSkeleton) {
    if (!point) return false;
    if (!onSkeleton) return Add(point);
    if (point->GetTargetName().IsEmpty()) return false;
    Particle* bone = FindByName(point->GetTargetName());
    if (!bone || WouldMakeACycle(point, bone)) return false;
    return bone->Add(point);
}

bool ParticleStructure::AddAttachmentPoint(AttachmentPoint* point, ParticleNameIndex& names) {
    if (!point || point->GetTargetName().IsEmpty()) return false;
    Particle* bone = names.Find(point->GetTargetName());
    if (!bone || WouldMakeACycle(point, bone) || !bone->Add(point)) return false;
    names.Add(point);
    return true;
}

AttachmentPoint* ParticleStructure::FindAttachmentPoint(const PString& name) const {
    for (Particle* p = NextInSubtree(this); p; p = NextInSubtree(p))
        if (auto* point = dynamic_cast<AttachmentPoint*>(p); point && point->GetName() == name) return point;
    return nullptr;
}

void ParticleStructure::InitInstance(const ParticleStructure& source) {
    ViewPortParticle::InitInstance(source);
    m_referencePoints.clear();
    for (const auto& point : source.m_referencePoints) m_referencePoints.push_back(std::make_unique<ReferencePoint>(*point));
}

Particle* ParticleStructure::CreateInstance() const {
    auto* copy = new ParticleStructure;
    copy->InitInstance(*this);
    return copy;
}

}  // namespace Vek
