#pragma once
// The collision structures' debug viewport: one process-wide object that
// collects lines and labels in four colours for a debug view. Nothing in
// this program draws through it; its drawing hooks do nothing.
#include <cstdint>
#include <string>

#include "engine/Vector.h"
#include "meshes/collision/VXArray.h"

class VXDebugVp {
public:
    static constexpr int kColours = 4;
    static constexpr uint32_t kColourValues[kColours] = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFF00FF};

    struct Primitive {
        Vek::Vector3 start;
        Vek::Vector3 end;
    };

    VXDebugVp();
    virtual ~VXDebugVp() = default;

    // The process-wide viewport.
    static VXDebugVp& Instance();

    virtual bool IsActive() const { return true; }
    virtual void BeginFrame() {}
    virtual void EndFrame() {}
    virtual void DrawPoint(const Vek::Vector3&, uint32_t) {}
    virtual void DrawText(const Vek::Vector3&, const char*, uint32_t) {}
    virtual void Clear() {}
    // A batch of primitives: vertices, indices, primitive type, vertex and
    // index counts, colour.
    virtual void DrawPrimitives(const void*, const Vek::Vector3*, const uint16_t*, int, int, int, uint32_t) {}
    // One line, handed to DrawPrimitives as two vertices and the index pair
    // 0, 1.
    virtual void DrawLine(const Vek::Vector3& start, const Vek::Vector3& end, uint32_t colour);

    uint8_t flags = 1;
    VXArray<Primitive> lines[kColours];
    VXArray<Primitive> triangles[kColours];
    VXArray<std::string> labels{1000};
    uint32_t lineColours[kColours];
    uint32_t triangleColours[kColours];
};
