#include "sim/maths/Matrix3.h"

#include <cmath>

namespace physics {

Matrix3 Matrix3::inverse(const Matrix3& a)
{
    const double m00 = a.m[0][0], m01 = a.m[0][1], m02 = a.m[0][2];
    const double m10 = a.m[1][0], m11 = a.m[1][1], m12 = a.m[1][2];
    const double m20 = a.m[2][0], m21 = a.m[2][1], m22 = a.m[2][2];

    const float det = float(m00 * m11 * m22 + m01 * m12 * m20 + m02 * m10 * m21 - m02 * m11 * m20 -
                            m00 * m12 * m21 - m01 * m10 * m22);
    if (det == 0.0f) return identity();

    const double inv = float(1.0 / det);
    Matrix3 r;
    r.m[0][0] = float((m11 * m22 - m12 * m21) * inv);
    r.m[0][1] = float(-(m01 * m22 - m02 * m21) * inv);
    r.m[0][2] = float((m01 * m12 - m02 * m11) * inv);
    r.m[1][0] = float(-(m10 * m22 - m12 * m20) * inv);
    r.m[1][1] = float((m00 * m22 - m02 * m20) * inv);
    r.m[1][2] = float(-(m00 * m12 - m02 * m10) * inv);
    r.m[2][0] = float((m10 * m21 - m11 * m20) * inv);
    r.m[2][1] = float(-(m00 * m21 - m01 * m20) * inv);
    r.m[2][2] = float((m00 * m11 - m01 * m10) * inv);
    return r;
}

Matrix3 Matrix3::makeRotationX(float angle)
{
    Matrix3 r = identity();
    const float c = float(std::cos(double(angle)));
    const float s = float(std::sin(double(angle)));
    r.m[1][1] = c;
    r.m[1][2] = -s;
    r.m[2][1] = s;
    r.m[2][2] = c;
    return r;
}

const Matrix3& Matrix3::zero()
{
    static const Matrix3 value{};
    return value;
}

const Matrix3& Matrix3::identity()
{
    static const Matrix3 value{{{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}}};
    return value;
}

}  // namespace physics
