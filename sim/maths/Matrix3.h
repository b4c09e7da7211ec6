#pragma once
// Row-major 3x3 single-precision matrix. As a body rotation it maps body to world
// coordinates, so its columns are the body axes in world space.
#include <type_traits>

#include "sim/maths/Vector3.h"

namespace physics {

struct Matrix3 {
    float m[3][3];

    float* operator[](int r) { return m[r]; }
    const float* operator[](int r) const { return m[r]; }

    // this = this * b; b must be a different object.
    Matrix3& operator*=(const Matrix3& b);

    static Matrix3 transpose(const Matrix3& a);
    // Adjugate over determinant; a determinant of exactly 0 gives the identity.
    static Matrix3 inverse(const Matrix3& a);
    // Rotation about x by angle radians (turns +y towards +z).
    static Matrix3 makeRotationX(float angle);

    static const Matrix3& zero();
    static const Matrix3& identity();
};

static_assert(std::is_trivial_v<Matrix3> && sizeof(Matrix3) == 9 * sizeof(float),
              "Matrix3 is a plain record of nine floats");

// Row i of m dotted with v, one double expression per component.
inline Vector3 operator*(const Matrix3& m, const Vector3& v)
{
    return Vector3{float(double(m.m[0][0]) * v.x + double(m.m[0][1]) * v.y + double(m.m[0][2]) * v.z),
                   float(double(m.m[1][0]) * v.x + double(m.m[1][1]) * v.y + double(m.m[1][2]) * v.z),
                   float(double(m.m[2][0]) * v.x + double(m.m[2][1]) * v.y + double(m.m[2][2]) * v.z)};
}

inline Matrix3& Matrix3::operator*=(const Matrix3& b)
{
    const Matrix3 a = *this;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = float(double(a.m[r][0]) * b.m[0][c] + double(a.m[r][1]) * b.m[1][c] +
                            double(a.m[r][2]) * b.m[2][c]);
    return *this;
}

inline Matrix3 Matrix3::transpose(const Matrix3& a)
{
    Matrix3 t;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) t.m[r][c] = a.m[c][r];
    return t;
}

}  // namespace physics
