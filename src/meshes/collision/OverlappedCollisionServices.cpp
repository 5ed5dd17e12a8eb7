#include "meshes/collision/OverlappedCollisionServices.h"

#include "meshes/collision/VXAxisBoxTree.h"

namespace {

class FunctionJob : public OverlappedResource {
public:
    FunctionJob(float created, std::function<bool()> work, std::function<void()> complete)
        : OverlappedResource(created), m_work(std::move(work)), m_complete(std::move(complete)) {}
    bool Load() override { return m_work ? m_work() : true; }
    bool Complete() override {
        if (m_complete) m_complete();
        return true;
    }

private:
    std::function<bool()> m_work;
    std::function<void()> m_complete;
};

class CollisionJob : public MeshCollisionJob {
public:
    explicit CollisionJob(OverlappedResourceSystem* loader) : m_loader(loader) {}
    Overlapped& Handle() { return m_handle; }
    bool IsFinished() const override {
        OverlappedResource* job = m_handle.job;
        if (job && job->GetState() == OverlappedResource::kLoaded && job->system) m_loader->Finish(job);
        return m_handle.IsDone();
    }

private:
    OverlappedResourceSystem* m_loader;
    mutable Overlapped m_handle;
};

}  // namespace

std::unique_ptr<MeshCollisionTree> OverlappedCollisionServices::MakeTree(
    const VXAxisBoxTreeExternalGeometry* geometry) {
    auto tree = std::make_unique<VXAxisBoxTree>();
    tree->BeginBuild(geometry);
    return tree;
}

std::unique_ptr<MeshCollisionJob> OverlappedCollisionServices::Submit(const char* name, std::function<bool()> work,
                                                                      std::function<void()> complete) {
    if (!m_loader) return nullptr;
    auto request = std::make_unique<CollisionJob>(m_loader);
    auto* job = new FunctionJob(m_loader->Now(), std::move(work), std::move(complete));
    if (name && *name) job->name = name;
    m_loader->Submit(&request->Handle(), job);
    return request;
}
