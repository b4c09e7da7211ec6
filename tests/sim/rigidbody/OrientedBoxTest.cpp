#include "sim/rigidbody/OrientedBox.h"

#include <gtest/gtest.h>

#include <cmath>

using physics::Sphere;
using physics::Vector3;
using physics::rigidbody::OrientedBox;

namespace {

// Half extents (1, 2, 3) about (1, 2, 3); turned a quarter about z, its local x
// runs along world y and its local y along world -x.
const OrientedBox upright{Vector3{1, 2, 3}, {Vector3{1, 0, 0}, Vector3{0, 1, 0}, Vector3{0, 0, 1}}, Vector3{1, 2, 3}};
const OrientedBox turned{Vector3{1, 2, 3}, {Vector3{0, 1, 0}, Vector3{-1, 0, 0}, Vector3{0, 0, 1}}, Vector3{1, 2, 3}};

TEST(OrientedBoxIntersectsSphere, TouchingCountsAndTheBoxTurnsWithItsAxes)
{
    const float justBelow5 = std::nextafter(5.0f, 0.0f);
    const float justBelow1_5 = std::nextafter(1.5f, 0.0f);
    struct Case {
        const char* name;
        const OrientedBox& box;
        Vector3 centre;
        float radius;
        bool touches;
    } cases[] = {
        // |l.x| - r equals the half extent: no early exit, and the distance equals the radius.
        {"on a face, at the radius", upright, {3.5f, 2, 3}, 1.5f, true},
        {"off a face, beyond the radius", upright, {3.5f, 2, 3}, justBelow1_5, false},
        {"off an edge, at the radius", upright, {1 + 1 + 3, 2 + 2 + 4, 3}, 5, true},
        {"off an edge, beyond the radius", upright, {1 + 1 + 3, 2 + 2 + 4, 3}, justBelow5, false},
        {"centre inside", upright, {1.5f, 1, 5}, 0.01f, true},
        {"far away", upright, {40, 2, 3}, 5, false},
        // Three units off the centre along world x: outside the upright box's
        // x extent of 1, on the turned box's face (its local y extent of 2).
        {"turned, on the face along world x", turned, {4, 2, 3}, 1, true},
        {"upright, same sphere", upright, {4, 2, 3}, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.box.intersectsSphere(Sphere{c.centre, c.radius}), c.touches);
    }
}

}  // namespace
