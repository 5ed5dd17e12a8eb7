#include "meshes/collision/VXDebugVp.h"

namespace {
VXDebugVp g_debugViewport;
}

VXDebugVp::VXDebugVp() {
    for (int c = 0; c < kColours; ++c) {
        lines[c].SetCount(1000, 0);
        triangles[c].SetCount(1000, 0);
        lineColours[c] = triangleColours[c] = kColourValues[c];
    }
}

VXDebugVp& VXDebugVp::Instance() { return g_debugViewport; }

void VXDebugVp::DrawLine(const Vek::Vector3& start, const Vek::Vector3& end, uint32_t colour) {
    const Vek::Vector3 points[2] = {start, end};
    static const uint16_t kPair[2] = {0, 1};
    DrawPrimitives(nullptr, points, kPair, 0, 2, 2, colour);
}
