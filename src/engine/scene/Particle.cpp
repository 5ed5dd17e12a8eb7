#include "engine/scene/Particle.h"

#include <cstring>

#include "engine/math/OrientedBox.h"
#include "engine/math/Rotation.h"
#include "engine/scene/ViewPoint.h"

namespace Vek {

Particle::~Particle() {
    // Leaves first: every node deleted has no children left, so no
    // destructor below recurses.
    std::vector<Particle*> nodes = Enumerate();
    for (std::size_t i = nodes.size(); i-- > 1;) delete nodes[i];
    Unlink();
}

std::vector<Particle*> Particle::Enumerate() {
    std::vector<Particle*> nodes;
    for (Particle* p = this; p; p = NextInSubtree(p)) nodes.push_back(p);
    return nodes;
}

Matrix4 Particle::GetGlobalMatrix() const {
    Matrix4 m = GetLocalMatrix();
    for (const Particle* p = GetParent(); p; p = p->GetParent()) m = m * p->GetLocalMatrix();
    return m;
}

void Particle::GlobalToLocal(Vector3& position, Quaternion& orientation) const {
    if (const Particle* parent = GetParent()) GlobalToLocal(position, orientation, parent->GetGlobalMatrix());
}

void Particle::GlobalToLocal(Vector3& position, Quaternion& orientation, const Matrix4& parentGlobal) const {
    if (!GetParent()) return;
    Matrix4 inverse;
    if (!parentGlobal.Invert(inverse)) return;
    Matrix4 world = Matrix4::FromRotationTranslation(orientation, position);
    Matrix4 local = world * inverse;
    float r[9];
    local.GetRotation(r);
    position = local.GetTranslation();
    orientation = MatrixToQuaternion(r);
}

void Particle::SetBoundingVolume(const OrientedBox& box) { SetBoundingSphere(box.centre, box.GetBoundingRadius()); }

void Particle::GetGlobalBoundingSphere(Vector3& centre, float& radius) const {
    centre = GetGlobalMatrix().TransformPoint(m_sphereCentre);
    radius = m_sphereRadius;
}

Particle* Particle::FindByName(const PString& name) const {
    for (Particle* p = NextInSubtree(this); p; p = NextInSubtree(p))
        if (p->m_name == name) return p;
    return nullptr;
}

Particle* Particle::FindByName(const char* name) const {
    if (!name) return nullptr;
    for (Particle* p = NextInSubtree(this); p; p = NextInSubtree(p))
        if (std::strcmp(p->m_name.c_str(), name) == 0) return p;
    return nullptr;
}

Particle* Particle::CloneTree() const {
    Particle* root = CreateInstance();
    // Walk source and copy side by side: each source node's copy is made
    // under the copy of its parent.
    std::vector<std::pair<const Particle*, Particle*>> pending{{this, root}};
    while (!pending.empty()) {
        auto [source, copy] = pending.back();
        pending.pop_back();
        for (const Particle* child = source->GetFirstChild(); child; child = child->GetNextSibling()) {
            Particle* childCopy = child->CreateInstance();
            copy->Add(childCopy);
            pending.emplace_back(child, childCopy);
        }
    }
    return root;
}

Particle* Particle::CreateInstance() const {
    auto* copy = new Particle;
    copy->InitInstance(*this);
    return copy;
}

void Particle::InitInstance(const Particle& source) {
    m_name = source.m_name;
    m_flags = source.m_flags;
    m_position = source.m_position;
    m_orientation = source.m_orientation;
    m_sphereCentre = source.m_sphereCentre;
    m_sphereRadius = source.m_sphereRadius;
    m_opacity = source.m_opacity;
}

bool Particle::CullEnter(ViewPoint& viewPoint, const Matrix4&) {
    if (HasFlag(kFlagHidden)) return false;
    SetLastCulledFrame(viewPoint.GetFrame());
    return true;
}

void Particle::Cull(ViewPoint& viewPoint, const Matrix4& parentMatrix) {
    // Depth first, children in order, each particle left after its
    // subtree: the order a recursive walk would take.
    struct Step {
        Particle* particle;
        Matrix4 parentMatrix;
        bool entered;
    };
    std::vector<Step> steps{{this, parentMatrix, false}};
    std::vector<Particle*> children;
    while (!steps.empty()) {
        const Step step = steps.back();
        if (step.entered) {
            steps.pop_back();
            step.particle->CullLeave(viewPoint, step.parentMatrix);
            continue;
        }
        steps.back().entered = true;
        if (!step.particle->CullEnter(viewPoint, step.parentMatrix)) continue;
        const Matrix4 matrix = step.particle->GetLocalMatrix() * step.parentMatrix;
        children.clear();
        for (Particle* child = step.particle->GetFirstChild(); child; child = child->GetNextSibling())
            children.push_back(child);
        for (auto it = children.rbegin(); it != children.rend(); ++it) steps.push_back({*it, matrix, false});
    }
}

void Particle::Render(ViewPort*, uint32_t, const Matrix4&) {}

void Particle::SetOpacity(float opacity) { m_opacity = opacity; }

bool Particle::TestCollisionGeometry(const Ray&, float&, ConstFaceDescriptor&) { return false; }

}  // namespace Vek
