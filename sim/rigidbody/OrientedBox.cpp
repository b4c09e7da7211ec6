#include "sim/rigidbody/OrientedBox.h"

#include <cmath>

#include "sim/maths/Matrix3.h"
#include "sim/maths/Matrix4.h"

namespace physics {
namespace rigidbody {

bool OrientedBox::intersectsSphere(const Sphere& sphere) const
{
    // The sphere centre in box coordinates.
    Matrix3 rotation;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) rotation[r][c] = axes[c][r];
    const Matrix4 toWorld = Matrix4::makeTranslation(centre) * Matrix4::fromRotation(rotation);
    const Vector3 l = Matrix4::transformAffine(Matrix4::inverse(toWorld), sphere.centre);
    const float r = sphere.radius;
    const Vector3& h = halfExtents;

    for (int axis = 0; axis < 3; ++axis)
        if (double(std::fabs(l[axis])) - r > h[axis]) return false;

    // Nearest point of the box to the centre.
    Vector3 k = l;
    for (int axis = 0; axis < 3; ++axis) {
        if (h[axis] < k[axis]) k[axis] = h[axis];
        if (-h[axis] > k[axis]) k[axis] = -h[axis];
    }
    const DoubleVector3 diff{k.x - l.x, k.y - l.y, k.z - l.z};
    const float distanceSq = squaredLength(diff);
    const float radiusSq = float(double(r) * r);
    return radiusSq >= distanceSq;
}

}  // namespace rigidbody
}  // namespace physics
