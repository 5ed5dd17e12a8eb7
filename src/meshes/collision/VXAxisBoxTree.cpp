#include "meshes/collision/VXAxisBoxTree.h"

#include <algorithm>
#include <cmath>

#include "engine/math/Plane.h"
#include "meshes/collision/VXMapKDTree.h"

using Vek::Vector3;

namespace {

struct Triangle {
    int32_t corner[3];
};
struct Bounds {
    float min[3];
    float max[3];
};
struct BuildNode {
    int32_t first;
    int32_t second;
    float min[3];
    float max[3];
};

float Axis(const Vector3& v, int i) { return i == 0 ? v.x : (i == 1 ? v.y : v.z); }

bool Finite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool Degenerate(const Vector3& a, const Vector3& b, const Vector3& c) {
    Vector3 n = (b - a).Cross(c - a);
    n.Normalise();
    const Vek::Plane plane(n, a.Dot(n));
    return plane.normal.LengthSquared() < 0.1f;
}

// The axes in the order they are tried: largest absolute extent first.
void AxisOrder(const float extent[3], int order[3]) {
    const float x = std::fabs(extent[0]), y = std::fabs(extent[1]), z = std::fabs(extent[2]);
    auto set = [order](int a, int b, int c) {
        order[0] = a;
        order[1] = b;
        order[2] = c;
    };
    if (x < y) {
        if (y < z)
            set(2, 1, 0);
        else if (x < z)
            set(1, 2, 0);
        else
            set(1, 0, 2);
    } else if (x < z) {
        set(2, 0, 1);
    } else if (y > z) {
        set(0, 1, 2);
    } else {
        set(0, 2, 1);
    }
}

}  // namespace

struct VXAxisBoxTree::Builder {
    VXArray<Vector3> vertices{1000};
    VXArray<Triangle> triangles{1000};
    VXArray<int32_t> ids{1000};
    VXArray<Bounds> bounds{1000};
    VXArray<BuildNode> nodes{1000};
    VXArray<int32_t> leafOrder{1000};
    VXMapKDTree<int, float, 3, 4000> weld;
    VXArray<int> found{10};
    // The triangle numbers being split, in the order of the current split.
    std::vector<int32_t> work;
};

struct VXAxisBoxTree::Segment {
    Vector3 start;
    Vector3 end;
    Vector3 mid;
    Vector3 half;
    Vector3 absHalf;
    Vector3 unit;
    float inverseLength;
    float unitDotStart;
};

VXAxisBoxTree::VXAxisBoxTree() = default;
VXAxisBoxTree::~VXAxisBoxTree() = default;

void VXAxisBoxTree::BeginBuild(const VXAxisBoxTreeExternalGeometry* geometry) {
    m_builder = std::make_unique<Builder>();
    m_geometry = geometry;
}

void VXAxisBoxTree::AddTriangle(const Vector3& a, const Vector3& b, const Vector3& c, int32_t id) {
    if (!m_builder) m_builder = std::make_unique<Builder>();
    Builder& builder = *m_builder;
    if (id < 0 || id >= kMaxChunkId || (id & 0xFFFF) % 3 != 0) return;
    if (!Finite(a) || !Finite(b) || !Finite(c) || Degenerate(a, b, c)) return;
    if (builder.triangles.Count() >= kMaxTriangles || builder.vertices.Count() >= kMaxVertices) return;
    Triangle triangle;
    const Vector3* corners[3] = {&a, &b, &c};
    for (int j = 0; j < 3; ++j) {
        const float position[3] = {corners[j]->x, corners[j]->y, corners[j]->z};
        if (builder.weld.FindEqual(position, builder.found) > 0) {
            triangle.corner[j] = builder.found[0];
            continue;
        }
        const int32_t index = builder.vertices.Count();
        if (index >= kMaxVertices) return;
        builder.vertices.Append(*corners[j]);
        builder.weld.Insert(position, index);
        triangle.corner[j] = index;
    }
    Bounds box;
    for (int i = 0; i < 3; ++i) {
        box.min[i] = box.max[i] = Axis(builder.vertices[triangle.corner[0]], i);
        for (int j = 1; j < 3; ++j) {
            const float v = Axis(builder.vertices[triangle.corner[j]], i);
            box.min[i] = std::min(box.min[i], v);
            box.max[i] = std::max(box.max[i], v);
        }
    }
    builder.triangles.Append(triangle);
    builder.ids.Append(id);
    builder.bounds.Append(box);
}

bool VXAxisBoxTree::Build() {
    std::unique_ptr<Builder> owned = std::move(m_builder);
    m_nodes.Clear();
    m_references.Clear();
    m_buildDepth = 0;
    if (!owned) return false;
    Builder& builder = *owned;
    const int32_t count = builder.triangles.Count();
    if (builder.ids.Count() < 1 || builder.vertices.Count() >= kMaxVertices || count < 1 || count >= kMaxTriangles)
        return false;
    m_builder = std::move(owned);

    BuildNode root{0, 0, {3.4028235e38f, 3.4028235e38f, 3.4028235e38f},
                   {-3.4028235e38f, -3.4028235e38f, -3.4028235e38f}};
    for (const Vector3& v : builder.vertices)
        for (int i = 0; i < 3; ++i) {
            root.min[i] = std::min(root.min[i], Axis(v, i));
            root.max[i] = std::max(root.max[i], Axis(v, i));
        }
    builder.nodes.Append(root);
    builder.work.resize(std::size_t(count));
    for (int32_t t = 0; t < count; ++t) builder.work[std::size_t(t)] = t;
    Split(0, 0, count, 0);
    Finalise();
    m_builder.reset();
    return true;
}

void VXAxisBoxTree::Split(int32_t node, int32_t begin, int32_t end, int32_t depth) {
    Builder& builder = *m_builder;
    m_buildDepth = std::max(m_buildDepth, depth);
    const int32_t n = end - begin;
    if (n <= kTrianglesPerLeaf) {
        builder.nodes[node].first = -1 - builder.leafOrder.Count();
        builder.nodes[node].second = n;
        for (int32_t k = begin; k < end; ++k) builder.leafOrder.Append(builder.work[std::size_t(k)]);
        return;
    }
    float extent[3];
    for (int i = 0; i < 3; ++i) extent[i] = builder.nodes[node].max[i] - builder.nodes[node].min[i];
    int order[3];
    AxisOrder(extent, order);

    struct Partition {
        std::vector<int32_t> triangles;
        int32_t firstCount = 0;
        Bounds first, second;
        float cost = 0.0f;
    };
    auto partition = [&](int axis) {
        Partition p;
        p.triangles.assign(builder.work.begin() + begin, builder.work.begin() + end);
        std::sort(p.triangles.begin(), p.triangles.end(), [&](int32_t a, int32_t b) {
            return builder.bounds[a].min[axis] + builder.bounds[a].max[axis] <
                   builder.bounds[b].min[axis] + builder.bounds[b].max[axis];
        });
        p.firstCount = n / 2;
        if (p.firstCount % 2 == 1 && (n - p.firstCount) % 2 == 1) {
            // The first half's last triangle moves to the end of the second.
            const int32_t moved = p.triangles[std::size_t(p.firstCount - 1)];
            p.triangles.erase(p.triangles.begin() + (p.firstCount - 1));
            p.triangles.push_back(moved);
            --p.firstCount;
        }
        auto bound = [&](int32_t from, int32_t to, Bounds& out) {
            out = builder.bounds[p.triangles[std::size_t(from)]];
            for (int32_t k = from + 1; k < to; ++k) {
                const Bounds& b = builder.bounds[p.triangles[std::size_t(k)]];
                for (int i = 0; i < 3; ++i) {
                    out.min[i] = std::min(out.min[i], b.min[i]);
                    out.max[i] = std::max(out.max[i], b.max[i]);
                }
            }
        };
        bound(0, p.firstCount, p.first);
        bound(p.firstCount, n, p.second);
        p.cost = extent[axis] > 0.0f ? (p.first.max[axis] - p.second.min[axis]) / extent[axis] : 0.0f;
        return p;
    };
    Partition best = partition(order[0]);
    for (int k = 1; k < 3; ++k) {
        Partition candidate = partition(order[k]);
        if (candidate.cost < best.cost) best = std::move(candidate);
    }
    std::copy(best.triangles.begin(), best.triangles.end(), builder.work.begin() + begin);

    const int32_t child = builder.nodes.Count();
    BuildNode first{0, 0, {}, {}}, second{0, 0, {}, {}};
    for (int i = 0; i < 3; ++i) {
        first.min[i] = best.first.min[i];
        first.max[i] = best.first.max[i];
        second.min[i] = best.second.min[i];
        second.max[i] = best.second.max[i];
    }
    builder.nodes.Append(first);
    builder.nodes.Append(second);
    builder.nodes[node].first = child;
    builder.nodes[node].second = child + 1;
    const int32_t split = begin + best.firstCount;
    Split(child, begin, split, depth + 1);
    Split(child + 1, split, end, depth + 1);
}

void VXAxisBoxTree::Finalise() {
    Builder& builder = *m_builder;
    float largestCentre = 0.0f, largestHalf = 0.0f;
    for (const BuildNode& node : builder.nodes)
        for (int i = 0; i < 3; ++i) {
            largestCentre = std::max(largestCentre, std::fabs((node.min[i] + node.max[i]) / 2));
            largestHalf = std::max(largestHalf, std::fabs((node.max[i] - node.min[i]) / 2));
        }
    const float centreScale = largestCentre > 0.0f ? 32767.0f / largestCentre : 0.0f;
    const float extentScale = largestHalf > 0.0f ? 32767.0f / largestHalf : 0.0f;
    m_inverseCentreScale = centreScale != 0.0f ? 1.0f / centreScale : 0.0f;
    m_inverseExtentScale = extentScale != 0.0f ? 1.0f / extentScale : 0.0f;

    m_nodes.SetCount(-1, builder.nodes.Count());
    for (int32_t k = 0; k < builder.nodes.Count(); ++k) {
        const BuildNode& node = builder.nodes[k];
        PackedNode& packed = m_nodes[k];
        packed.first = node.first;
        packed.second = node.second;
        for (int i = 0; i < 3; ++i) {
            const float centre = (node.min[i] + node.max[i]) / 2;
            const float half = (node.max[i] - node.min[i]) / 2;
            packed.centre[i] = int16_t(std::clamp(std::trunc(centreScale * centre), -32768.0f, 32767.0f));
            uint32_t h = uint32_t(std::clamp(std::trunc(extentScale * half), 0.0f, 65535.0f));
            const float c = packed.centre[i] * m_inverseCentreScale;
            // Grown until the decoded interval covers the node's, and never
            // past the largest value the field holds.
            while (h < 65535 && !(c - h * m_inverseExtentScale <= node.min[i] && c + h * m_inverseExtentScale >= node.max[i]))
                ++h;
            packed.half[i] = uint16_t(h);
        }
    }
    m_references.SetCount(-1, builder.leafOrder.Count());
    for (int32_t k = 0; k < builder.leafOrder.Count(); ++k) {
        const int32_t id = builder.ids[builder.leafOrder[k]];
        const uint32_t value = uint32_t(id >> 16) << 15 | uint32_t(id & 0xFFFF) / 3;
        m_references[k].bytes[0] = uint8_t(value);
        m_references[k].bytes[1] = uint8_t(value >> 8);
        m_references[k].bytes[2] = uint8_t(value >> 16);
    }
    builder.vertices.Clear();
    builder.triangles.Clear();
    builder.ids.Clear();
    builder.bounds.Clear();
    builder.nodes.Clear();
    builder.leafOrder.Clear();
}

void VXAxisBoxTree::Decode(const PackedNode& node, Vector3& centre, Vector3& half) const {
    centre = Vector3{node.centre[0] * m_inverseCentreScale, node.centre[1] * m_inverseCentreScale,
                     node.centre[2] * m_inverseCentreScale};
    half = Vector3{node.half[0] * m_inverseExtentScale, node.half[1] * m_inverseExtentScale,
                   node.half[2] * m_inverseExtentScale};
}

namespace {

bool Separated(const Vector3& c, const Vector3& h, const Vector3& m, const Vector3& s, const Vector3& as) {
    const Vector3 d = m - c;
    if (std::fabs(d.x) > h.x + as.x || std::fabs(d.y) > h.y + as.y || std::fabs(d.z) > h.z + as.z) return true;
    if (std::fabs(d.z * s.y - d.y * s.z) > h.y * as.z + h.z * as.y) return true;
    if (std::fabs(d.x * s.z - d.z * s.x) > h.x * as.z + h.z * as.x) return true;
    return std::fabs(d.y * s.x - d.x * s.y) > h.x * as.y + h.y * as.x;
}

// Whether `p`, on the plane of A, B, C with normal n, lies inside the
// triangle (edges included), judged in the plane of the two axes that n
// leans on least.
bool Inside(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& n, const Vector3& p) {
    const float nx = std::fabs(n.x), ny = std::fabs(n.y), nz = std::fabs(n.z);
    int i, j, dropped;
    if (ny <= nz) {
        if (nx <= nz) {
            i = 0, j = 1, dropped = 2;
        } else {
            i = 1, j = 2, dropped = 0;
        }
    } else if (nx <= ny) {
        i = 2, j = 0, dropped = 1;
    } else {
        i = 1, j = 2, dropped = 0;
    }
    const float sign = Axis(n, dropped);
    const Vector3* edges[3][2] = {{&c, &a}, {&a, &b}, {&b, &c}};
    for (const auto& edge : edges) {
        const Vector3& from = *edge[0];
        const Vector3& to = *edge[1];
        const float k = (Axis(to, i) - Axis(from, i)) * (Axis(p, j) - Axis(from, j)) -
                        (Axis(to, j) - Axis(from, j)) * (Axis(p, i) - Axis(from, i));
        if (k * sign < 0.0f) return false;
    }
    return true;
}

}  // namespace

bool VXAxisBoxTree::QuerySegment(const Vector3& start, const Vector3& end, MeshCollisionHit& result) const {
    result = MeshCollisionHit{};
    result.t = kNoHit;
    result.identifier = uint32_t(-1);
    if (m_nodes.Empty()) return false;
    Segment segment;
    segment.start = start;
    segment.end = end;
    segment.mid = (start + end) * 0.5f;
    segment.half = (end - start) * 0.5f;
    segment.absHalf = Vector3{std::fabs(segment.half.x), std::fabs(segment.half.y), std::fabs(segment.half.z)};
    const Vector3 along = end - start;
    const float length = std::sqrt(along.LengthSquared());
    // A segment of zero length has no direction: its unit vector and inverse
    // length are 0, so it meets only what contains its one point.
    segment.inverseLength = length > 0.0f ? 1.0f / length : 0.0f;
    segment.unit = along * segment.inverseLength;
    segment.unitDotStart = segment.unit.Dot(start);
    Visit(0, segment, result);
    if (result.t == kNoHit) return false;
    result.normal.Normalise();
    return true;
}

void VXAxisBoxTree::Visit(int32_t index, const Segment& segment, MeshCollisionHit& result) const {
    Vector3 centre, half;
    Decode(m_nodes[index], centre, half);
    if (Separated(centre, half, segment.mid, segment.half, segment.absHalf)) return;
    const Vector3& u = segment.unit;
    const Vector3 absU{std::fabs(u.x), std::fabs(u.y), std::fabs(u.z)};
    while (m_nodes[index].first >= 0) {
        const PackedNode& node = m_nodes[index];
        Vector3 c1, h1, c2, h2;
        Decode(m_nodes[node.first], c1, h1);
        Decode(m_nodes[node.second], c2, h2);
        const float e1 = u.Dot(c1) - segment.unitDotStart - absU.Dot(h1);
        const float e2 = u.Dot(c2) - segment.unitDotStart - absU.Dot(h2);
        const float p1 = e1 * segment.inverseLength, p2 = e2 * segment.inverseLength;
        int32_t next;
        if (e2 <= e1) {
            if (p2 <= result.t) Visit(node.second, segment, result);
            if (result.t < p1) return;
            next = node.first;
        } else {
            if (p1 <= result.t) Visit(node.first, segment, result);
            if (result.t < p2) return;
            next = node.second;
        }
        Decode(m_nodes[next], centre, half);
        if (Separated(centre, half, segment.mid, segment.half, segment.absHalf)) return;
        index = next;
    }
    TestLeaf(m_nodes[index], segment, result);
}

void VXAxisBoxTree::TestLeaf(const PackedNode& node, const Segment& segment, MeshCollisionHit& result) const {
    if (!m_geometry) return;
    const int32_t first = -1 - node.first;
    for (int32_t k = first; k < first + node.second && k < m_references.Count(); ++k) {
        const int32_t id = m_references[k].Id();
        float corners[9];
        if (!m_geometry->FetchTriangle(id, corners)) continue;
        const Vector3 a{corners[0], corners[1], corners[2]};
        const Vector3 b{corners[3], corners[4], corners[5]};
        const Vector3 c{corners[6], corners[7], corners[8]};
        const Vector3 n = (b - a).Cross(c - a);
        const float p = n.Dot(a), sa = n.Dot(segment.start), sb = n.Dot(segment.end);
        if ((sa < p && sb < p) || (sa > p && sb > p)) continue;
        const float t = sa - sb == 0.0f ? 0.0f : (sa - p) / (sa - sb);
        const Vector3 point = segment.start + (segment.end - segment.start) * t;
        if (t <= result.t && Inside(a, b, c, n, point)) {
            result.point = point;
            result.normal = n;
            result.t = t;
            result.identifier = uint32_t(id);
        }
    }
}
