#pragma once
#include "sim/maths/Sphere.h"
#include "sim/maths/Vector3.h"

namespace physics {
namespace rigidbody {

// A box in world space: its centre, its local x, y and z directions (unit) and
// its half edge lengths along them.
struct OrientedBox {
    Vector3 centre;
    Vector3 axes[3];
    Vector3 halfExtents;

    // True when the sphere touches or overlaps the box.
    bool intersectsSphere(const Sphere& sphere) const;
};

}  // namespace rigidbody
}  // namespace physics
