#pragma once
// What a mesh definition needs to build its collision tree: a tree of
// triangles to fill and build, and an overlapped loader that runs the build
// as a job. The collision module supplies both (the axis-box tree and the
// loader) by installing a MeshCollisionServices; without one, as in this
// program, no loader exists, no job starts and no definition has a tree.
#include <cstdint>
#include <functional>
#include <memory>

#include "engine/Vector.h"

class VXAxisBoxTreeExternalGeometry;

// The nearest hit of a segment query: the point, the triangle's normal,
// the position t along the segment (0 at its start, 1 at its end) and the
// triangle's identifier.
struct MeshCollisionHit {
    Vek::Vector3 point;
    Vek::Vector3 normal;
    float t = 0.0f;
    uint32_t identifier = 0;
};

// A tree of triangles, each known by an identifier (chunk x 65536 + the
// position of its first index; index positions past 65535 do not fit and
// are not added).
class MeshCollisionTree {
public:
    virtual ~MeshCollisionTree() = default;
    virtual void AddTriangle(const Vek::Vector3 corners[3], uint32_t identifier) = 0;
    // Builds the tree from the triangles added; false on failure.
    virtual bool Build() = 0;
    // The nearest hit along the segment from `start` to `end`; false when
    // the segment meets no triangle (a tree that cannot answer: false).
    virtual bool QuerySegment(const Vek::Vector3& /*start*/, const Vek::Vector3& /*end*/,
                              MeshCollisionHit& /*hit*/) const {
        return false;
    }
};

// One job of the overlapped loader, as the definition sees it.
class MeshCollisionJob {
public:
    virtual ~MeshCollisionJob() = default;
    // True once the loader is done with the job (released, or its state
    // idle or finished).
    virtual bool IsFinished() const = 0;
};

class MeshCollisionServices {
public:
    virtual ~MeshCollisionServices() = default;
    // A new tree that reads its triangles' corners through `geometry`.
    virtual std::unique_ptr<MeshCollisionTree> MakeTree(const VXAxisBoxTreeExternalGeometry* geometry) = 0;
    // Submits a job named `name`: `work` runs on the loader's thread and
    // `complete` afterwards on the caller's. Null when no job can start.
    virtual std::unique_ptr<MeshCollisionJob> Submit(const char* name, std::function<bool()> work,
                                                     std::function<void()> complete) = 0;

    // The services in use (none by default); the caller keeps ownership.
    static MeshCollisionServices* Current();
    static void Install(MeshCollisionServices* services);
};
