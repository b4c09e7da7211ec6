#pragma once
#include "sim/maths/Vector3.h"

namespace physics {

// A half-line: the points origin + direction * t for t >= 0. The ray tests assume
// a unit direction.
struct Ray {
    Vector3 origin;
    Vector3 direction;
};

}  // namespace physics
