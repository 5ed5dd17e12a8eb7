#pragma once
// Makes the mesh holders through which the legacy upgrade reads the
// attachment points of an asset's meshes. The product's factory makes the
// tools' real holders, which load through the asset's resource database and
// report their own findings; a caller may pass another factory (tests pass
// one whose holders answer from fixed attachment lists).
#include <memory>

#include "tetlib/meshdata/MeshData.h"

namespace TETLib {

class MeshDataFactory {
public:
    virtual ~MeshDataFactory() = default;
    // A new, empty holder, owned by the caller.
    virtual std::unique_ptr<MeshData> Make() const = 0;
};

// The factory of the tools' real holders.
const MeshDataFactory& ProductMeshDataFactory();

}  // namespace TETLib
