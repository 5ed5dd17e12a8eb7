#pragma once
// What the data manager needs of a mesh loaded for a container during a
// validation: the tools' mesh holders (a mesh or a level-of-detail mesh of
// the asset under check) derive from this. The data manager owns each
// registered holder and deletes it when its container goes or the meshes
// of the check step are released.
#include "engine/PString.h"

namespace TETLib {

class MeshHolder {
public:
    virtual ~MeshHolder() = default;
    // Whether the mesh offers an attachment point of this name.
    virtual bool HasAttachmentPoint(const Vek::PString& name) const = 0;
    // Only the holder registered last is shown.
    virtual void SetVisible(bool visible) = 0;
    // The mesh file's path (as the load was given it), for messages.
    virtual Vek::PString GetFilePath() const { return Vek::PString(); }
};

}  // namespace TETLib
