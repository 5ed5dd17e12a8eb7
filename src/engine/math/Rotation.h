#pragma once
// Rotations between quaternions (x, y, z, w) and 3 x 3 matrices of row
// vectors (a point times the matrix; 9 floats row by row).
//
// Quaternion to matrix, row by row:
//   (1 - 2(y² + z²), 2(xy + zw),      2(xz - yw))
//   (2(xy - zw),     1 - 2(x² + z²),  2(yz + xw))
//   (2(xz + yw),     2(yz - xw),      1 - 2(x² + y²))
// Matrix to quaternion is its inverse for rotation matrices (the largest of
// w, x, y, z is taken from the diagonal first, which keeps it stable); the
// result is normalised and has w >= 0.
#include "engine/Vector.h"

namespace Vek {

void QuaternionToMatrix(const Quaternion& q, float matrix[9]);
Quaternion MatrixToQuaternion(const float matrix[9]);
// v times the matrix.
Vector3 RotateRow(const Vector3& v, const float matrix[9]);
// a times b (rotation a first, then b).
void MultiplyRotation(const float a[9], const float b[9], float result[9]);

}  // namespace Vek
