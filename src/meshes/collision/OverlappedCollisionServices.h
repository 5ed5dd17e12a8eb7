#pragma once
// The collision services of a program that runs an overlapped loader: trees
// are VXAxisBoxTrees, and a definition's tree is built as a loader job. A
// job the worker has loaded is completed on the thread that next asks for
// the definition's tree. The program itself installs none (no loader
// exists), so its definitions have no tree.
#include <memory>

#include "meshes/collision/OverlappedResourceSystem.h"
#include "meshes/definitions/MeshCollisionServices.h"

class OverlappedCollisionServices : public MeshCollisionServices {
public:
    explicit OverlappedCollisionServices(OverlappedResourceSystem* loader) : m_loader(loader) {}

    std::unique_ptr<MeshCollisionTree> MakeTree(const VXAxisBoxTreeExternalGeometry* geometry) override;
    // Null without a loader.
    std::unique_ptr<MeshCollisionJob> Submit(const char* name, std::function<bool()> work,
                                             std::function<void()> complete) override;

private:
    OverlappedResourceSystem* m_loader;
};
