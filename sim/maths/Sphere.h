#pragma once
#include "sim/maths/Vector3.h"

namespace physics {

struct Sphere {
    Vector3 centre;
    float radius;
};

}  // namespace physics
