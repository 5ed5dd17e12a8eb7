#pragma once
// A node of the scene: a named object with a position and orientation
// relative to its parent, flags, an opacity and a bounding sphere, in a
// tree of particles.
//
// Ownership: a particle owns its children. Deleting a particle deletes its
// subtree (leaves first, without recursion) and unlinks it from its parent,
// so deleting any node of a tree, in any order, frees each node once.
//
// Matrices are row vectors: local = rotation(orientation), then the
// translation by the position; global = local x parent's global.
#include <cstdint>
#include <vector>

#include "engine/PString.h"
#include "engine/Vector.h"
#include "engine/math/Matrix4.h"
#include "engine/math/Ray.h"
#include "engine/scene/Element.h"
#include "engine/scene/ITree.h"

namespace Vek {

class ViewPoint;
class ViewPort;
struct OrientedBox;
struct ConstFaceDescriptor;

class Particle : public Element, public ITree<Particle> {
public:
    // Flag bits.
    enum : uint32_t {
        kFlagDisplay = 0x1,  // shown (set by the owner that displays it)
        kFlagHidden = 0x2,   // culled away with its subtree
    };
    static constexpr uint32_t kID = 0;

    Particle() = default;
    ~Particle() override;

    const PString& GetName() const { return m_name; }
    void SetName(const PString& name) { m_name = name; }

    uint32_t GetFlags() const { return m_flags; }
    void SetFlags(uint32_t flags) { m_flags = flags; }
    void SetFlag(uint32_t bits, bool on) { m_flags = on ? (m_flags | bits) : (m_flags & ~bits); }
    bool HasFlag(uint32_t bits) const { return (m_flags & bits) != 0; }

    const Vector3& GetPosition() const { return m_position; }
    const Quaternion& GetOrientation() const { return m_orientation; }
    void SetPosition(const Vector3& position) { m_position = position; }
    void SetOrientation(const Quaternion& orientation) { m_orientation = orientation; }
    void Place(const Vector3& position, const Quaternion& orientation) {
        m_position = position;
        m_orientation = orientation;
    }

    Matrix4 GetLocalMatrix() const { return Matrix4::FromRotationTranslation(m_orientation, m_position); }
    Matrix4 GetGlobalMatrix() const;

    // Converts a position and orientation given in world space into the
    // space of this particle's parent (unchanged without a parent), so that
    // placing this particle at the result puts it at the given world values.
    void GlobalToLocal(Vector3& position, Quaternion& orientation) const;
    // The same with the parent's global matrix given (nothing changes
    // without a parent).
    void GlobalToLocal(Vector3& position, Quaternion& orientation, const Matrix4& parentGlobal) const;

    // Bounding sphere in the particle's own space.
    void SetBoundingSphere(const Vector3& centre, float radius) {
        m_sphereCentre = centre;
        m_sphereRadius = radius;
    }
    // The sphere that holds a box given in the particle's own space.
    void SetBoundingVolume(const OrientedBox& box);
    const Vector3& GetBoundingSphereCentre() const { return m_sphereCentre; }
    float GetBoundingSphereRadius() const { return m_sphereRadius; }
    void GetGlobalBoundingSphere(Vector3& centre, float& radius) const;

    // Adds a child (see ITree::AddChild); the particle then owns it.
    bool Add(Particle* child) { return AddChild(child); }

    // The first particle below this one (pre-order, this one excluded) with
    // the name, or null.
    Particle* FindByName(const PString& name) const;
    Particle* FindByName(const char* name) const;

    // Every particle of the subtree, this one first (pre-order).
    std::vector<Particle*> Enumerate();

    // A copy of the subtree: each node copied with CreateInstance, children
    // in the same order.
    Particle* CloneTree() const;

    // --- the virtual operations ---
    virtual uint32_t GetID() const { return kID; }
    // A new particle of the same kind with this one's values (no children).
    virtual Particle* CreateInstance() const;
    // Walks the subtree with a stack of its own (a chain of any depth costs
    // no call stack): each particle's CullEnter, then its children's when
    // it says so, then its CullLeave.
    void Cull(ViewPoint& viewPoint, const Matrix4& parentMatrix);
    virtual void Render(ViewPort* viewPort, uint32_t pass, const Matrix4& matrix);
    virtual float GetOpacity() const { return m_opacity; }
    virtual void SetOpacity(float opacity);
    virtual bool TestCollisionGeometry(const Ray& ray, float& distance, ConstFaceDescriptor& face);

protected:
    // One particle of the cull walk, before its children: stamps the frame
    // and answers whether the children are walked (not when hidden).
    virtual bool CullEnter(ViewPoint& viewPoint, const Matrix4& parentMatrix);
    // After its children (also when they were not walked): nothing here.
    virtual void CullLeave(ViewPoint&, const Matrix4&) {}

    // Copies this particle's own values (not its tree links) from `source`.
    void InitInstance(const Particle& source);

private:
    PString m_name;
    uint32_t m_flags = 0;
    Vector3 m_position;
    Quaternion m_orientation;
    Vector3 m_sphereCentre;
    float m_sphereRadius = 0.0f;
    float m_opacity = 1.0f;
};

}  // namespace Vek
