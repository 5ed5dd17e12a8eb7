#pragma once
// A bounding-box tree over the triangles of a mesh, answering segment
// queries (nearest hit). Node boxes are kept as 16-bit quantised centres and
// half extents, leaf triangles as 3-byte references; the corners are
// fetched through the owner's VXAxisBoxTreeExternalGeometry during a query.
//
// Use: BeginBuild, AddTriangle for each triangle, one Build; the tree is
// read-only afterwards. A failed build leaves a tree without nodes, on
// which every query answers no hit.
//
// Triangle ids: chunk << 16 | position of the first index. A reference
// keeps the chunk in 9 bits and the first index / 3 in 15 bits, so ids of
// chunk 512 and above, and ids whose first index is no multiple of 3, are
// dropped (they could not be answered as themselves). Triangles with a
// corner that is not a finite number are dropped too.
//
// The decoded box of a node is grown to cover its triangles, one step of
// the extent scale at a time up to the largest 16-bit value: where the
// centres are far larger than the boxes, a node whose box cannot be covered
// stops growing there instead of looping for ever.
#include <cstdint>
#include <memory>

#include "engine/Vector.h"
#include "meshes/collision/VXArray.h"
#include "meshes/collision/VXAxisBoxTreeExternalGeometry.h"
#include "meshes/definitions/MeshCollisionServices.h"

class VXAxisBoxTree : public MeshCollisionTree {
public:
    struct PackedNode {
        // Internal: the first child's index; leaf: -1 - the position of its
        // first triangle reference.
        int32_t first;
        // Internal: the second child's index; leaf: the number of triangles.
        int32_t second;
        int16_t centre[3];
        uint16_t half[3];
    };
    struct TriangleReference {
        uint8_t bytes[3];
        uint32_t Value() const { return bytes[0] | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16; }
        // The id it stands for.
        int32_t Id() const { return int32_t((Value() >> 15) << 16 | (Value() & 0x7FFF) * 3); }
    };

    static constexpr int32_t kMaxChunkId = 0x2000000;
    static constexpr int32_t kMaxTriangles = 8300000;
    static constexpr int32_t kMaxVertices = 16700000;
    static constexpr int32_t kTrianglesPerLeaf = 64;
    static constexpr float kNoHit = 3.4028235e38f;

    VXAxisBoxTree();
    ~VXAxisBoxTree() override;

    void BeginBuild(const VXAxisBoxTreeExternalGeometry* geometry);
    void AddTriangle(const Vek::Vector3& a, const Vek::Vector3& b, const Vek::Vector3& c, int32_t id);
    void AddTriangle(const Vek::Vector3 corners[3], uint32_t id) override {
        AddTriangle(corners[0], corners[1], corners[2], int32_t(id));
    }
    bool Build() override;
    bool QuerySegment(const Vek::Vector3& start, const Vek::Vector3& end, MeshCollisionHit& result) const override;

    int32_t NodeCount() const { return m_nodes.Count(); }
    const PackedNode& Node(int32_t i) const { return m_nodes[i]; }
    int32_t ReferenceCount() const { return m_references.Count(); }
    const TriangleReference& Reference(int32_t i) const { return m_references[i]; }
    float InverseCentreScale() const { return m_inverseCentreScale; }
    float InverseExtentScale() const { return m_inverseExtentScale; }
    // The deepest split of the last build.
    int32_t BuildDepth() const { return m_buildDepth; }

private:
    struct Builder;
    struct Segment;

    void Split(int32_t node, int32_t begin, int32_t end, int32_t depth);
    void Finalise();
    void Visit(int32_t node, const Segment& segment, MeshCollisionHit& result) const;
    void TestLeaf(const PackedNode& node, const Segment& segment, MeshCollisionHit& result) const;
    void Decode(const PackedNode& node, Vek::Vector3& centre, Vek::Vector3& half) const;

    const VXAxisBoxTreeExternalGeometry* m_geometry = nullptr;
    VXArray<PackedNode> m_nodes{8};
    VXArray<TriangleReference> m_references{1};
    float m_inverseCentreScale = 0.0f;
    float m_inverseExtentScale = 0.0f;
    int32_t m_buildDepth = 0;
    std::unique_ptr<Builder> m_builder;
};
