#pragma once
// The display's form of a scene matrix (both are row-vector 4 x 4 floats).
#include <cstring>

#include "engine/display/DisplayMatrix.h"
#include "engine/math/Matrix4.h"

inline Vek::DisplayMatrix DisplayMatrixOf(const Vek::Matrix4& matrix) {
    Vek::DisplayMatrix result;
    std::memcpy(result.m, matrix.m, sizeof(result.m));
    return result;
}
