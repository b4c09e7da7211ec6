#pragma once
// Row-major 4x4 single-precision affine transform: rotation in the upper-left 3x3,
// translation in column 3, last row 0 0 0 1.
#include <type_traits>

#include "sim/maths/Matrix3.h"
#include "sim/maths/Vector3.h"

namespace physics {

struct Matrix4 {
    float m[4][4];

    float* operator[](int r) { return m[r]; }
    const float* operator[](int r) const { return m[r]; }

    static Matrix4 fromRotation(const Matrix3& r);
    static Matrix4 makeTranslation(const Vector3& t);
    // Rows 0 to 2 applied to (p, 1); the last row is not read.
    static Vector3 transformAffine(const Matrix4& a, const Vector3& p);
    // Adjugate over determinant; |determinant| <= 1e-8 gives the zero matrix.
    static Matrix4 inverse(const Matrix4& a);

    static const Matrix4& zero();
};

static_assert(std::is_trivial_v<Matrix4> && sizeof(Matrix4) == 16 * sizeof(float),
              "Matrix4 is a plain record of sixteen floats");

Matrix4 operator*(const Matrix4& a, const Matrix4& b);

inline Vector3 Matrix4::transformAffine(const Matrix4& a, const Vector3& p)
{
    return Vector3{
        float(double(a.m[0][0]) * p.x + double(a.m[0][1]) * p.y + double(a.m[0][2]) * p.z + a.m[0][3]),
        float(double(a.m[1][0]) * p.x + double(a.m[1][1]) * p.y + double(a.m[1][2]) * p.z + a.m[1][3]),
        float(double(a.m[2][0]) * p.x + double(a.m[2][1]) * p.y + double(a.m[2][2]) * p.z + a.m[2][3])};
}

}  // namespace physics
