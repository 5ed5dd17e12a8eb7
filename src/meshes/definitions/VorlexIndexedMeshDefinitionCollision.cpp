// The on-demand collision tree of an indexed mesh.
#include <cstring>

#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/VertexItem.h"
#include "meshes/definitions/VorlexIndexedMeshDefinition.h"

using namespace Vek;

namespace {
MeshCollisionServices* g_services = nullptr;
}

MeshCollisionServices* MeshCollisionServices::Current() { return g_services; }
void MeshCollisionServices::Install(MeshCollisionServices* services) { g_services = services; }

MeshCollisionTree* VorlexIndexedMeshDefinition::GetCollisionTree() {
    if (collisionTree) return collisionTree.get();
    if (!collisionJob) {
        if (MeshCollisionServices* services = MeshCollisionServices::Current())
            collisionJob = services->Submit(
                name.c_str(),
                [this] {
                    BuildCollisionTree();
                    return true;
                },
                [this] {
                    if (collisionResult) collisionTree = std::move(collisionResult);
                });
    }
    if (collisionJob && collisionJob->IsFinished()) collisionJob.reset();
    return collisionTree.get();
}

bool VorlexIndexedMeshDefinition::BuildCollisionTree() {
    MeshCollisionServices* services = MeshCollisionServices::Current();
    if (!services) return false;
    if (!collisionGeometry) collisionGeometry = std::make_unique<CollisionGeometrySharingInterface>(this);
    std::unique_ptr<MeshCollisionTree> tree = services->MakeTree(collisionGeometry.get());
    if (!tree) return false;
    for (uint32_t c = 0; c < chunks.size(); ++c) {
        const GeometryChunk* chunk = chunks[c].Get();
        uint32_t stride = 0;
        const uint8_t* positions = chunk ? chunk->GetItemArray(kItemPosition, stride) : nullptr;
        const uint16_t* indices = chunk ? chunk->GetIndexArray() : nullptr;
        if (!positions || !indices) continue;
        // An identifier keeps 16 bits of the index position: a group that
        // starts further on would stand for another triangle, so it is left
        // out of the tree.
        for (uint32_t k = 0; k + 3 <= chunk->GetIndexCount() && k <= 0xFFFF; k += 3) {
            Vector3 corners[3];
            bool inside = true;
            for (int j = 0; j < 3 && inside; ++j) {
                const uint16_t i = indices[k + j];
                inside = i < chunk->GetVertexCount();
                if (inside) std::memcpy(&corners[j], positions + std::size_t(i) * stride, 12);
            }
            if (inside) tree->AddTriangle(corners, c * 65536u + k);
        }
    }
    const bool built = tree->Build();
    if (collisionJob)
        collisionResult = std::move(tree);
    else
        collisionTree = std::move(tree);
    return built;
}

bool CollisionGeometrySharingInterface::FetchTriangle(int32_t id, float corners[9]) const {
    Vector3 points[3];
    if (!m_definition || id < 0 || !m_definition->GetTriangle(uint32_t(id), points)) return false;
    for (int j = 0; j < 3; ++j) {
        corners[3 * j] = points[j].x;
        corners[3 * j + 1] = points[j].y;
        corners[3 * j + 2] = points[j].z;
    }
    return true;
}
