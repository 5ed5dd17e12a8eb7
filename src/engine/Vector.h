#pragma once
// Vector and quaternion value types (IEEE single floats). Vector lengths use
// the fast inverse square root; quaternions normalise exactly.
#include <cmath>

#include "engine/StdMath.h"

namespace Vek {

struct Vector2 {
    float x = 0.0f;
    float y = 0.0f;

    Vector2 operator*(float s) const { return {x * s, y * s}; }
    Vector2 operator+(const Vector2& o) const { return {x + o.x, y + o.y}; }
    Vector2 operator-(const Vector2& o) const { return {x - o.x, y - o.y}; }
    Vector2& operator+=(const Vector2& o) { return *this = *this + o; }
    Vector2& operator-=(const Vector2& o) { return *this = *this - o; }
    Vector2& operator*=(float s) { return *this = *this * s; }
    bool operator==(const Vector2&) const = default;
};

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vector3 operator*(float s) const { return {x * s, y * s, z * s}; }
    Vector3 operator+(const Vector3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vector3 operator-(const Vector3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vector3 operator-() const { return {-x, -y, -z}; }
    Vector3& operator+=(const Vector3& o) { return *this = *this + o; }
    Vector3& operator-=(const Vector3& o) { return *this = *this - o; }
    Vector3& operator*=(float s) { return *this = *this * s; }
    bool operator==(const Vector3&) const = default;

    float Dot(const Vector3& o) const { return x * o.x + y * o.y + z * o.z; }
    Vector3 Cross(const Vector3& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
    float LengthSquared() const { return x * x + y * y + z * z; }

    // The length; 0 for the zero vector.
    float Length() const {
        float d = LengthSquared();
        return d * StdMath::FastInverseSqrt(d);
    }
    // Scales to unit length in place; the zero vector stays zero.
    void Normalise() { *this *= StdMath::FastInverseSqrt(LengthSquared()); }
    // Writes the unit vector to `out` and returns this vector's length.
    float NormaliseTo(Vector3& out) const {
        float d = LengthSquared();
        float inverse = StdMath::FastInverseSqrt(d);
        out = *this * inverse;
        return d * inverse;
    }
};

struct Quaternion {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;

    bool operator==(const Quaternion&) const = default;

    // Sets the quaternion from a rotation matrix of row vectors (9 floats,
    // row by row); see engine/math/Rotation.h.
    void Set(const float matrix[9]);

    // Divides the four components by their exact length. The zero
    // quaternion has no direction and stays as it is.
    void Normalise() {
        float length = std::sqrt(x * x + y * y + z * z + w * w);
        if (length == 0.0f) return;
        x /= length;
        y /= length;
        z /= length;
        w /= length;
    }
};

static_assert(sizeof(Vector2) == 8 && sizeof(Vector3) == 12 && sizeof(Quaternion) == 16,
              "vectors are packed floats, as stored in files");

}  // namespace Vek
