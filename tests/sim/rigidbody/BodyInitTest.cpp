#include <gtest/gtest.h>

#include "sim/rigidbody/RigidBody.h"

using namespace physics;
using namespace physics::rigidbody;

namespace {

TEST(BodyInit, BoxInertiaOfASolidBox)
{
    BoxBody box;
    initBox(&box, 12.0f, 1.0f, 2.0f, 3.0f);
    EXPECT_EQ(box.shapeType, SHAPE_BOX);
    EXPECT_EQ(box.mass, 12.0f);
    EXPECT_EQ(box.inverseMass, 1.0f / 12.0f);
    EXPECT_EQ(box.halfExtents.x, 0.5f);
    EXPECT_EQ(box.halfExtents.y, 1.0f);
    EXPECT_EQ(box.halfExtents.z, 1.5f);
    EXPECT_EQ(box.inertia[0][0], 13.0f);
    EXPECT_EQ(box.inertia[1][1], 10.0f);
    EXPECT_EQ(box.inertia[2][2], 5.0f);
    EXPECT_EQ(box.inertia[0][1], 0.0f);
    EXPECT_FLOAT_EQ(box.inverseInertia[0][0], 1.0f / 13.0f);
    EXPECT_FLOAT_EQ(box.inverseInertia[1][1], 0.1f);
    EXPECT_FLOAT_EQ(box.inverseInertia[2][2], 0.2f);
    EXPECT_EQ(box.inverseInertia[2][0], 0.0f);
}

TEST(BodyInit, SphereInertiaIsAlwaysIdentity)
{
    for (float mass : {0.5f, 1.0f, 40.0f}) {
        SphereBody s;
        initSphere(&s, mass, 3.0f);
        EXPECT_EQ(s.shapeType, SHAPE_SPHERE);
        EXPECT_EQ(s.radius, 3.0f);
        EXPECT_EQ(s.inverseMass, 1.0f / mass);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(s.inertia[r][c], r == c ? 1.0f : 0.0f);
                EXPECT_EQ(s.inverseInertia[r][c], r == c ? 1.0f : 0.0f);
            }
    }
}

TEST(BodyInit, PlaneIsStaticAndCopiedAsGiven)
{
    PlaneBody p;
    EXPECT_EQ(p.plane.normal.x, 0.0f);
    EXPECT_EQ(p.plane.normal.y, 0.0f);
    EXPECT_EQ(p.plane.normal.z, 0.0f);
    EXPECT_EQ(p.plane.d, 0.0f);

    initPlane(&p, Plane{Vector3{0.0f, 2.0f, 0.0f}, -3.0f});  // not normalised, and kept so
    EXPECT_EQ(p.shapeType, SHAPE_PLANE);
    EXPECT_EQ(p.mass, 1.0f);
    EXPECT_EQ(p.inverseMass, 0.0f);
    EXPECT_EQ(p.plane.normal.y, 2.0f);
    EXPECT_EQ(p.plane.d, -3.0f);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(p.inertia[r][c], 0.0f);
            EXPECT_EQ(p.inverseInertia[r][c], 0.0f);
        }
}

}  // namespace

namespace {

// The inertia diagonal is one double expression, mass / 12.0 * (sum of two squares),
// rounded once; float squares or a float mass / 12 would give other floats.
TEST(BodyInit, BoxInertiaIsOneDoubleExpression)
{
    int differsFromFloat = 0;
    for (int i = 1; i <= 100; ++i) {
        const float mass = 0.37f * i, sx = 0.113f * i, sy = 1.7f + 0.071f * i, sz = 2.9f - 0.013f * i;
        BoxBody box;
        initBox(&box, mass, sx, sy, sz);
        const double x2 = double(sx) * sx, y2 = double(sy) * sy, z2 = double(sz) * sz;
        EXPECT_EQ(box.inertia[0][0], float(mass / 12.0 * (y2 + z2)));
        EXPECT_EQ(box.inertia[1][1], float(mass / 12.0 * (x2 + z2)));
        EXPECT_EQ(box.inertia[2][2], float(mass / 12.0 * (x2 + y2)));
        EXPECT_EQ(box.halfExtents.y, float(sy * 0.5));
        if (box.inertia[0][0] != mass / 12.0f * (sy * sy + sz * sz)) ++differsFromFloat;
    }
    EXPECT_GT(differsFromFloat, 0) << "the cases must tell the two rules apart";
}

}  // namespace
