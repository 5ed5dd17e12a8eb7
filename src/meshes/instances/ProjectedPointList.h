#pragma once
// The outline points a mesh instance projects onto a plane
// (VorlexIndexedMeshInstance::AppendProjectedVertices): a circular, doubly
// linked list of blocks of up to 13 two-float points. A point goes into the
// last block; a full last block gets a new block linked in after it.
#include <cstdint>
#include <memory>

#include "engine/Vector.h"

class ProjectedPointList {
public:
    static constexpr uint32_t kBlockPoints = 13;

    struct Block {
        Block* next = nullptr;
        Block* previous = nullptr;
        uint32_t count = 0;
        Vek::Vector2 points[kBlockPoints];
    };

    ProjectedPointList() = default;
    ~ProjectedPointList();
    ProjectedPointList(const ProjectedPointList&) = delete;
    ProjectedPointList& operator=(const ProjectedPointList&) = delete;

    void Append(const Vek::Vector2& point);
    // The first block (null when empty); the last is its previous.
    const Block* GetFirst() const { return m_first; }
    uint32_t GetBlockCount() const { return m_blocks; }
    uint32_t GetPointCount() const { return m_points; }
    // Point i in list order (i < GetPointCount()).
    Vek::Vector2 GetPoint(uint32_t i) const;

private:
    Block* m_first = nullptr;
    uint32_t m_blocks = 0;
    uint32_t m_points = 0;
};
