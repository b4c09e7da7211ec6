#include <gtest/gtest.h>

#include <cmath>

#include "Bodies.h"
#include "ContactMatchers.h"
#include "sim/rigidbody/Collide.h"

using namespace physics;
using namespace physics::rigidbody;
using testing_support::BodyStore;
using testing_support::expectSameContacts;
using testing_support::expectVector;

namespace {

ContactList collide(RigidBody* a, RigidBody* b)
{
    ContactList list;
    collisionFunction(a, b)(a, b, &list);
    return list;
}

TEST(BoxPlane, FaceExactlyOnThePlaneTouchesNothing)
{
    BodyStore store;
    PlaneBody* floor = store.plane(Vector3{0, 1, 0}, 0.0f);
    EXPECT_TRUE(collide(store.box(Vector3{0, 0.5f, 0}, Vector3{1, 1, 1}), floor).empty());
}

TEST(BoxPlane, LoweredBoxGivesItsBottomCornersInCornerOrder)
{
    BodyStore store;
    PlaneBody* floor = store.plane(Vector3{0, 1, 0}, 0.0f);
    BoxBody* box = store.box(Vector3{0, 0.49f, 0}, Vector3{1, 1, 1});
    const ContactList c = collide(box, floor);
    ASSERT_EQ(c.size(), 4u);
    const float y = 0.49f - 0.5f;
    const float corners[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, 0.5f}};
    for (int i = 0; i < 4; ++i) {
        expectVector(c[i].point, corners[i][0], y, corners[i][1]);
        expectVector(c[i].normal, 0, 1, 0);
        EXPECT_EQ(c[i].bodyA, box);
        EXPECT_EQ(c[i].bodyB, floor);
        EXPECT_TRUE(c[i].vertexFace);
        expectVector(c[i].edgeA, 0, 0, 0);
    }
}

TEST(BoxPlane, BoxWhollyBehindGivesAllEightCorners)
{
    BodyStore store;
    PlaneBody* wall = store.plane(Vector3{-1, 0, 0}, 4.0f);  // x = 4, facing -x
    BoxBody* box = store.box(Vector3{6, 0.25f, -1}, Vector3{1, 2, 3}, 1, Matrix3::makeRotationX(0.3f));
    const ContactList c = collide(box, wall);
    ASSERT_EQ(c.size(), 8u);
    // Corner order: x changes fastest, then y, then z; each corner is
    // rotation * corner, then plus position, rounded at both steps.
    const Vector3& h = box->halfExtents;
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const Vector3 local{(i & 1) ? h.x : -h.x, (i & 2) ? h.y : -h.y, (i & 4) ? h.z : -h.z};
        const Vector3 turned = box->rotation * local;
        const Vector3 world{turned.x + box->position.x, turned.y + box->position.y, turned.z + box->position.z};
        expectVector(c[i].point, world.x, world.y, world.z);
        expectVector(c[i].normal, -1, 0, 0);
        EXPECT_EQ(c[i].bodyA, box);
        EXPECT_EQ(c[i].bodyB, wall);
    }
}

TEST(SphereSphere, TouchingIsNotAContactOverlappingIs)
{
    BodyStore store;
    SphereBody* a = store.sphere(Vector3{0, 0, 0}, 1.0f);
    EXPECT_TRUE(collide(a, store.sphere(Vector3{0, 3, 0}, 2.0f)).empty());
    SphereBody* b = store.sphere(Vector3{0, 2.5f, 0}, 2.0f);
    const ContactList c = collide(a, b);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].bodyA, a);
    expectVector(c[0].normal, 0, -1, 0);          // from b towards a
    expectVector(c[0].point, 0, 0.5f, 0);         // on b's surface, facing a
}

TEST(BoxSphere, TouchingIsAContact)
{
    BodyStore store;
    BoxBody* box = store.box(Vector3::zero(), Vector3{1, 1, 1});
    SphereBody* ball = store.sphere(Vector3{1.5f, 0, 0}, 1.0f);
    const ContactList c = collide(box, ball);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].bodyA, box);
    EXPECT_EQ(c[0].bodyB, ball);
    expectVector(c[0].point, 0.5f, 0, 0);
    expectVector(c[0].normal, -1, 0, 0);
}

TEST(BoxSphere, BeyondAFaceByMoreThanTheRadiusWhateverTheRest)
{
    BodyStore store;
    BoxBody* box = store.box(Vector3::zero(), Vector3{1, 1, 1});
    EXPECT_TRUE(collide(box, store.sphere(Vector3{1.6f, 0, 0}, 1.0f)).empty());
    EXPECT_TRUE(collide(box, store.sphere(Vector3{0, 0.2f, -1.6f}, 1.0f)).empty());
    // Near the corner region: every axis is within reach but the corner is not.
    EXPECT_TRUE(collide(box, store.sphere(Vector3{1.2f, 1.2f, 1.2f}, 1.0f)).empty());
}

TEST(BoxSphere, CentreInsideTheBoxPushesTowardsTheBoxCentre)
{
    BodyStore store;
    BoxBody* box = store.box(Vector3{1, 1, 1}, Vector3{2, 2, 2});
    SphereBody* ball = store.sphere(Vector3{1.3f, 1.2f, 1.1f}, 0.1f);
    const ContactList c = collide(box, ball);
    ASSERT_EQ(c.size(), 1u);
    expectVector(c[0].point, 1.3f, 1.2f, 1.1f, 1e-6f);
    const float len = std::sqrt(0.09f + 0.04f + 0.01f);
    expectVector(c[0].normal, -0.3f / len, -0.2f / len, -0.1f / len, 1e-5f);
}

TEST(SpherePlane, CentreFarBehindStillTouches)
{
    BodyStore store;
    PlaneBody* floor = store.plane(Vector3{0, 1, 0}, -1.0f);  // y = 1
    SphereBody* ball = store.sphere(Vector3{2, -100, 3}, 0.5f);
    const ContactList c = collide(ball, floor);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].bodyA, ball);
    expectVector(c[0].point, 2, 1, 3);
    expectVector(c[0].normal, 0, 1, 0);
    EXPECT_TRUE(collide(store.sphere(Vector3{0, 1.5f, 0}, 0.5f), floor).empty());  // touching: radius > s fails
}

TEST(PlanePairs, PlanesNeverTouchAndPlanePoseIsIgnored)
{
    BodyStore store;
    PlaneBody* a = store.plane(Vector3{0, 1, 0}, 0.0f);
    PlaneBody* b = store.plane(Vector3{0, -1, 0}, 0.0f);
    EXPECT_TRUE(collide(a, b).empty());

    SphereBody* ball = store.sphere(Vector3{0, 0.2f, 0}, 0.5f);
    const ContactList before = collide(ball, a);
    a->position = Vector3{100, 100, 100};
    a->rotation = Matrix3::makeRotationX(2.0f);
    expectSameContacts(collide(ball, a), before);
}

TEST(MirroredEntries, GiveTheRecordsOfTheirPartner)
{
    BodyStore store;
    BoxBody* box = store.box(Vector3{0, 0.3f, 0}, Vector3{1, 1, 2}, 1, Matrix3::makeRotationX(0.4f));
    SphereBody* ball = store.sphere(Vector3{0.2f, 1.0f, 0.1f}, 0.5f);
    PlaneBody* floor = store.plane(Vector3{0, 1, 0}, 0.0f);
    SphereBody* low = store.sphere(Vector3{0, 0.3f, 0}, 0.5f);
    const std::pair<RigidBody*, RigidBody*> pairs[] = {{box, ball}, {box, floor}, {low, floor}};
    for (auto [first, second] : pairs) {
        const ContactList forward = collide(first, second);
        EXPECT_FALSE(forward.empty());
        expectSameContacts(collide(second, first), forward);
    }
}

// With no direction to go by, both sphere pairs push bodyA along +y.
TEST(DegenerateNormals, CoincidentCentresUseTheUpwardDirection)
{
    BodyStore store;
    SphereBody* a = store.sphere(Vector3{1, 2, 3}, 1.0f);
    SphereBody* b = store.sphere(Vector3{1, 2, 3}, 0.5f);
    ContactList c = collide(a, b);
    ASSERT_EQ(c.size(), 1u);
    expectVector(c[0].normal, 0, 1, 0);
    expectVector(c[0].point, 1, 2.5f, 3);

    BoxBody* box = store.box(Vector3{1, 2, 3}, Vector3{1, 1, 1});
    c = collide(box, a);
    ASSERT_EQ(c.size(), 1u);
    expectVector(c[0].normal, 0, 1, 0);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(std::isnan(c[0].point[i]));
}

}  // namespace

namespace {

// The sphere pairs compare a float squared distance with a bound formed in
// double: the squared radius (box-sphere) or ra^2 + 2 ra rb + rb^2 (sphere-sphere).
// Bodies set exactly one radius (or the sum of radii) apart therefore touch or
// not as the float square of that distance rounds down or up.
TEST(SphereSphere, BoundIsKeptInDouble)
{
    int roundedDown = 0, roundedUp = 0;
    for (int i = 0; i < 400; ++i) {
        const float ra = std::ldexp(float(6000000 + 7919 * i), -24);  // about 0.36
        const float rb = std::ldexp(float(4000000 + 104729 * i), -24);
        const float sum = ra + rb;
        if (double(sum) != double(ra) + rb) continue;  // the distance must be exactly ra + rb
        const double bound = double(ra) * ra + 2.0 * ra * rb + double(rb) * rb;
        const float squared = float(double(sum) * sum);
        if (double(squared) == bound) continue;

        BodyStore store;
        SphereBody* a = store.sphere(Vector3::zero(), ra);
        SphereBody* b = store.sphere(Vector3{0, sum, 0}, rb);
        ContactList list;
        collideSphereSphere(a, b, &list);
        if (double(squared) < bound) {
            ++roundedDown;
            EXPECT_EQ(list.size(), 1u) << "below the double bound though equal to the float one";
        } else {
            ++roundedUp;
            EXPECT_TRUE(list.empty());
        }
    }
    EXPECT_GT(roundedDown, 0);
    EXPECT_GT(roundedUp, 0);
}

TEST(BoxSphere, SquaredRadiusIsFormedInDouble)
{
    int roundedDown = 0, roundedUp = 0;
    for (int i = 0; i < 400; ++i) {
        const float r = std::ldexp(float(2 * (2200000 + 3571 * i)), -24);  // about 0.26, last bit clear
        const float centre = 0.5f + r;
        ASSERT_EQ(double(centre), 0.5 + r);
        const float squared = float(double(r) * r);
        if (double(squared) == double(r) * r) continue;

        BodyStore store;
        BoxBody* box = store.box(Vector3::zero(), Vector3{1, 1, 1});
        SphereBody* ball = store.sphere(Vector3{centre, 0, 0}, r);  // exactly touching the +x face
        ContactList list;
        collideBoxSphere(box, ball, &list);
        if (double(squared) < double(r) * r) {
            ++roundedDown;
            EXPECT_EQ(list.size(), 1u);
        } else {
            ++roundedUp;
            EXPECT_TRUE(list.empty()) << "above the double square though equal to the float one";
        }
    }
    EXPECT_GT(roundedDown, 0);
    EXPECT_GT(roundedUp, 0);
}

}  // namespace
