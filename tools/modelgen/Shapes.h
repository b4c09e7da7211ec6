#pragma once
// The solids the models are cut from, as signed distances (negative inside)
// built from smoothly joined ellipsoids and tubes, with the box to sample
// them in and the grid spacing their thinnest parts need.
#include <functional>

#include "TriangleMesh.h"

struct Solid {
    std::function<double(const Vec3&)> distance;
    Vec3 lo, hi;  // the solid lies well inside
    double cell;  // grid spacing
};

// A rabbit sitting on its hind legs, facing +x, y up: haunch and chest, head
// with snout, two long ears leaning back, a round tail, hind feet and paws.
Solid bunnySolid();

// A teapot, y up: a round body with a flat base, a lid with its knob, a
// tapering spout rising towards +x and a looped handle on the -x side.
Solid teapotSolid();
