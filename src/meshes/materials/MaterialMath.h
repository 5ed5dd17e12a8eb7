#pragma once
// Small matrix helpers of the product materials (row vectors: p' = p M).
#include <array>

#include "engine/display/DisplayMatrix.h"

namespace Vek::MaterialMath {

DisplayMatrix Multiply(const DisplayMatrix& a, const DisplayMatrix& b);
// The inverse; the identity for a singular matrix.
DisplayMatrix Inverse(const DisplayMatrix& m);
// O = view x inverse(world): camera space to the chunk's object space.
DisplayMatrix ObjectSpace(const DisplayMatrix& view, const DisplayMatrix& world);
// A direction times the upper-left 3x3.
std::array<float, 3> TransformDirection(const float d[3], const DisplayMatrix& m);
// (p, 1) x m divided by w.
std::array<float, 3> TransformPointDivide(const float p[3], const DisplayMatrix& m);
// The origin of camera space in object space.
std::array<float, 3> CameraPosition(const DisplayMatrix& objectSpace);
// The rotation part of m transposed (translation 0, w 1).
DisplayMatrix RotationTransposed(const DisplayMatrix& m);

}  // namespace Vek::MaterialMath
