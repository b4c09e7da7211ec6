#include "sim/maths/Matrix4.h"

#include <cmath>

namespace physics {

Matrix4 Matrix4::fromRotation(const Matrix3& r)
{
    return Matrix4{{{r.m[0][0], r.m[0][1], r.m[0][2], 0.0f},
                    {r.m[1][0], r.m[1][1], r.m[1][2], 0.0f},
                    {r.m[2][0], r.m[2][1], r.m[2][2], 0.0f},
                    {0.0f, 0.0f, 0.0f, 1.0f}}};
}

Matrix4 Matrix4::makeTranslation(const Vector3& t)
{
    return Matrix4{{{1.0f, 0.0f, 0.0f, t.x},
                    {0.0f, 1.0f, 0.0f, t.y},
                    {0.0f, 0.0f, 1.0f, t.z},
                    {0.0f, 0.0f, 0.0f, 1.0f}}};
}

Matrix4 operator*(const Matrix4& a, const Matrix4& b)
{
    Matrix4 p;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            p.m[r][c] = float(double(a.m[r][0]) * b.m[0][c] + double(a.m[r][1]) * b.m[1][c] +
                              double(a.m[r][2]) * b.m[2][c] + double(a.m[r][3]) * b.m[3][c]);
    return p;
}

Matrix4 Matrix4::inverse(const Matrix4& a)
{
    const double m00 = a.m[0][0], m01 = a.m[0][1], m02 = a.m[0][2], m03 = a.m[0][3];
    const double m10 = a.m[1][0], m11 = a.m[1][1], m12 = a.m[1][2], m13 = a.m[1][3];
    const double m20 = a.m[2][0], m21 = a.m[2][1], m22 = a.m[2][2], m23 = a.m[2][3];
    const double m30 = a.m[3][0], m31 = a.m[3][1], m32 = a.m[3][2], m33 = a.m[3][3];

    // 2x2 minors of rows 0-1 and of rows 2-3, each stored as a float.
    const double s0 = float(m00 * m11 - m10 * m01);
    const double s1 = float(m00 * m12 - m10 * m02);
    const double s2 = float(m00 * m13 - m10 * m03);
    const double s3 = float(m01 * m12 - m11 * m02);
    const double s4 = float(m01 * m13 - m11 * m03);
    const double s5 = float(m02 * m13 - m12 * m03);
    const double c0 = float(m20 * m31 - m30 * m21);
    const double c1 = float(m20 * m32 - m30 * m22);
    const double c2 = float(m20 * m33 - m30 * m23);
    const double c3 = float(m21 * m32 - m31 * m22);
    const double c4 = float(m21 * m33 - m31 * m23);
    const double c5 = float(m22 * m33 - m32 * m23);

    const float det = float(s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0);
    if (std::fabs(double(det)) <= 1e-8) return zero();

    const double inv = float(1.0 / det);
    const double adj[4][4] = {
        {float(m11 * c5 - m12 * c4 + m13 * c3), float(-m01 * c5 + m02 * c4 - m03 * c3),
         float(m31 * s5 - m32 * s4 + m33 * s3), float(-m21 * s5 + m22 * s4 - m23 * s3)},
        {float(-m10 * c5 + m12 * c2 - m13 * c1), float(m00 * c5 - m02 * c2 + m03 * c1),
         float(-m30 * s5 + m32 * s2 - m33 * s1), float(m20 * s5 - m22 * s2 + m23 * s1)},
        {float(m10 * c4 - m11 * c2 + m13 * c0), float(-m00 * c4 + m01 * c2 - m03 * c0),
         float(m30 * s4 - m31 * s2 + m33 * s0), float(-m20 * s4 + m21 * s2 - m23 * s0)},
        {float(-m10 * c3 + m11 * c1 - m12 * c0), float(m00 * c3 - m01 * c1 + m02 * c0),
         float(-m30 * s3 + m31 * s1 - m32 * s0), float(m20 * s3 - m21 * s1 + m22 * s0)}};

    Matrix4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = float(adj[i][j] * inv);
    return r;
}

const Matrix4& Matrix4::zero()
{
    static const Matrix4 value{};
    return value;
}

}  // namespace physics
