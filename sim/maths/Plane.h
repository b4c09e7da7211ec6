#pragma once
#include "sim/maths/Vector3.h"

namespace physics {

// The points p with dot(normal, p) + d = 0; positive on the side the normal points to.
struct Plane {
    Vector3 normal{0.0f, 0.0f, 0.0f};
    float d = 0.0f;

    // Signed distance of p, measured from the plane point nearest the origin
    // (for a unit normal: dot(normal, p) + d).
    static float signedDistance(const Plane& plane, const Vector3& p)
    {
        const Vector3 q = plane.normal * -plane.d;
        const Vector3 offset = p - q;
        return dotProduct(offset, plane.normal);
    }
};

}  // namespace physics
