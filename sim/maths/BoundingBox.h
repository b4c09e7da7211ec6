#pragma once
#include "sim/maths/Vector3.h"

namespace physics {

// Axis-aligned box by its corners, in whatever frame its owner uses.
struct BoundingBox {
    Vector3 min;
    Vector3 max;

    // (max - min) * 0.5, each difference rounded to float before halving.
    Vector3 halfExtents() const
    {
        return Vector3{float(double(max.x - min.x) * 0.5), float(double(max.y - min.y) * 0.5),
                       float(double(max.z - min.z) * 0.5)};
    }
};

}  // namespace physics
