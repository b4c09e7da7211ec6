#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Bodies.h"
#include "ContactMatchers.h"
#include "sim/rigidbody/BoxBox.h"
#include "sim/rigidbody/Collide.h"

using namespace physics;
using namespace physics::rigidbody;
using testing_support::BodyStore;
using testing_support::expectVector;

namespace {

Matrix3 rotationZ(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    return Matrix3{{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
}

ContactList collide(RigidBody* a, RigidBody* b)
{
    ContactList list;
    collideBoxBox(a, b, &list);
    return list;
}

// Unit cubes, B straight above A.
TEST(BoxBox, StackedCubesTouchAtTheFourCornersOfTheUpperFace)
{
    struct Case {
        float gap;
        std::size_t contacts;
    };
    for (const Case& c : {Case{0.9f, 4}, Case{1.0f, 4}, Case{1.01f, 0}}) {
        SCOPED_TRACE(c.gap);
        BodyStore store;
        BoxBody* a = store.box(Vector3::zero(), Vector3{1, 1, 1});
        BoxBody* b = store.box(Vector3{0, c.gap, 0}, Vector3{1, 1, 1});
        const ContactList list = collide(a, b);
        ASSERT_EQ(list.size(), c.contacts);
        // B's bottom face, (-x,-z) (-x,+z) (+x,+z) (+x,-z) as a quadrilateral, lies on
        // the edges of A's top face: each chop of the clip drops the corners on its
        // line and puts them back as crossings, which turns the order to this.
        const float corners[4][2] = {{0.5f, 0.5f}, {0.5f, -0.5f}, {-0.5f, -0.5f}, {-0.5f, 0.5f}};
        for (std::size_t i = 0; i < list.size(); ++i) {
            SCOPED_TRACE(i);
            const Contact& k = list[i];
            EXPECT_EQ(k.bodyA, a);
            EXPECT_EQ(k.bodyB, b);
            expectVector(k.normal, 0, -1, 0);
            EXPECT_TRUE(k.vertexFace);
            expectVector(k.edgeA, 0, 0, 0);
            expectVector(k.edgeB, 0, 0, 0);
            EXPECT_EQ(k.point.x, corners[i][0]);
            EXPECT_EQ(k.point.z, corners[i][1]);
            EXPECT_EQ(k.point.y, c.gap - 0.5f);  // B's bottom face
        }
    }
}

// A diamond-shaped prism edge up, B's edge down and crossing it at right angles.
TEST(BoxBox, CrossedEdgesGiveOneEdgeContact)
{
    BodyStore store;
    const float quarter = float(M_PI / 4);
    BoxBody* a = store.box(Vector3::zero(), Vector3{1, 1, 1}, 1, rotationZ(quarter));
    BoxBody* b = store.box(Vector3{0, 1.4f, 0}, Vector3{1, 1, 1}, 1, Matrix3::makeRotationX(quarter));
    const ContactList list = collide(a, b);
    ASSERT_EQ(list.size(), 1u);
    const Contact& k = list[0];
    EXPECT_FALSE(k.vertexFace);
    expectVector(k.normal, 0, -1, 0, 1e-5f);
    const float top = std::sqrt(0.5f);  // A's top edge, and B's bottom edge at 1.4 - top
    expectVector(k.point, 0, (top + 1.4f - top) * 0.5f, 0, 1e-5f);
    EXPECT_NEAR(std::fabs(k.edgeA.z), 1.0f, 1e-6f);
    EXPECT_NEAR(std::fabs(k.edgeB.x), 1.0f, 1e-6f);
}

TEST(BoxBox, NormalPointsFromBTowardsAWhicheverBoxIsReference)
{
    struct Case {
        Vector3 offset;
        Vector3 sizeB;
        float tiltA;
    };
    const Case cases[] = {
        {Vector3{0, -0.95f, 0}, Vector3{1, 1, 1}, 0.0f},      // B below
        {Vector3{0.2f, 0.8f, 0}, Vector3{4, 0.5f, 4}, 0.3f},  // tilted A on a wide B
        {Vector3{0, -0.8f, 0.1f}, Vector3{4, 0.5f, 4}, 0.2f},
        {Vector3{0.9f, 0.1f, 0}, Vector3{1, 1, 1}, 0.1f},     // side by side
    };
    for (const Case& c : cases) {
        BodyStore store;
        BoxBody* a = store.box(Vector3::zero(), Vector3{1, 1, 1}, 1, Matrix3::makeRotationX(c.tiltA));
        BoxBody* b = store.box(c.offset, c.sizeB);
        const ContactList list = collide(a, b);
        ASSERT_FALSE(list.empty());
        for (const Contact& k : list) {
            const Vector3 fromB = a->position - b->position;
            EXPECT_GT(dotProduct(k.normal, fromB), 0.0f);
            EXPECT_NEAR(squaredLength(k.normal), 1.0f, 1e-5f);
            EXPECT_LE(list.size(), 8u);
        }
    }
}

TEST(SeparatingAxis, FaceAxesBeatEdgeAxesUnlessFivePercentBetter)
{
    SeparatingAxis axis;
    axis.reset();
    EXPECT_EQ(axis.code, 0);
    EXPECT_EQ(axis.depth, -3.4028235e38f);

    ASSERT_TRUE(axis.testFaceAxis(-0.9f, 1.0f, Vector3{0, 1, 0}, 2));
    EXPECT_FLOAT_EQ(axis.depth, -0.1f);
    EXPECT_TRUE(axis.invert);
    ASSERT_TRUE(axis.testEdgeAxis(0.9f, 1.0f, 0, 0, 1, 8));  // equal penetration: face stays
    EXPECT_EQ(axis.code, 2);
    ASSERT_TRUE(axis.testEdgeAxis(0.903f, 1.0f, 0, 0, 1, 8));  // 3% shallower is not enough
    EXPECT_EQ(axis.code, 2);
    ASSERT_TRUE(axis.testEdgeAxis(0.91f, 1.0f, 0, 0, 2, 9));  // 1.05 * -0.045 > -0.1: edge wins
    EXPECT_EQ(axis.code, 9);
    EXPECT_TRUE(axis.normalInBoxFrame);
    expectVector(axis.normal, 0, 0, 1);
    EXPECT_FLOAT_EQ(axis.depth, -0.045f);

    EXPECT_TRUE(axis.testEdgeAxis(0.0f, 1.0f, 0, 0, 0, 10)) << "zero-length axis is skipped";
    EXPECT_EQ(axis.code, 9);
    EXPECT_FALSE(axis.testFaceAxis(1.5f, 1.0f, Vector3{1, 0, 0}, 1));
    EXPECT_FALSE(axis.testEdgeAxis(-1.5f, 1.0f, 1, 0, 0, 11));
}

TEST(ClosestPointsOnLines, CrossingAndParallelLines)
{
    float alpha, beta;
    closestPointsOnLines(Vector3{0, 0, 0}, Vector3{1, 0, 0}, Vector3{2, 1, 3}, Vector3{0, 0, 1}, alpha, beta);
    EXPECT_FLOAT_EQ(alpha, 2.0f);
    EXPECT_FLOAT_EQ(beta, -3.0f);

    const Vector3 nearly{0.99996f, 0.0089441f, 0.0f};  // 1 - (ua.ub)^2 below 0.0001
    closestPointsOnLines(Vector3{0, 0, 0}, Vector3{1, 0, 0}, Vector3{2, 1, 3}, nearly, alpha, beta);
    EXPECT_EQ(alpha, 0.0f);
    EXPECT_EQ(beta, 0.0f);
}

TEST(ClipQuadToRect, OctagonIsTheMostItReturns)
{
    const float diamond[8] = {1.3f, 0, 0, 1.3f, -1.3f, 0, 0, -1.3f};
    float out[16];
    ASSERT_EQ(clipQuadToRect(1.0f, 1.0f, diamond, out), 8);
    for (int i = 0; i < 16; ++i) EXPECT_LE(std::fabs(out[i]), 1.0f);

    const float inside[8] = {-0.5f, -0.5f, 0.5f, -0.5f, 0.5f, 0.5f, -0.5f, 0.5f};
    ASSERT_EQ(clipQuadToRect(1.0f, 1.0f, inside, out), 4);
    EXPECT_TRUE(std::equal(inside, inside + 8, out));

    const float away[8] = {3, 3, 4, 3, 4, 4, 3, 4};
    EXPECT_EQ(clipQuadToRect(1.0f, 1.0f, away, out), 0);

    // Half overlapping: the clipped part is the overlap rectangle.
    const float shifted[8] = {0, -0.5f, 2, -0.5f, 2, 0.5f, 0, 0.5f};
    const int n = clipQuadToRect(1.0f, 1.0f, shifted, out);
    ASSERT_EQ(n, 4);
    for (int i = 0; i < n; ++i) {
        EXPECT_GE(out[2 * i], 0.0f);
        EXPECT_LE(out[2 * i], 1.0f);
    }
}

}  // namespace

namespace {

// A self-crossing quadrilateral gains points fast: the output reaches 8 with two
// points of the third chop (y > -1) still to walk, which would have added two
// more, and the last chop (y < 1) is never made, so (-0.5, 2) above the
// rectangle stays in the result.
TEST(ClipQuadToRect, StopsTheMomentItHasEightPoints)
{
    const float bowTie[8] = {-0.5f, 2, 2.5f, -2, -2, 0, 2, -1.5f};
    float out[16];
    ASSERT_EQ(clipQuadToRect(1.0f, 1.0f, bowTie, out), 8);
    const float expected[16] = {-0.5f, 2, 1, 0, 1, -1, 0.25f, -1, -1, -0.4444444f, -1, -0.375f, 0.6666667f, -1, 1, -1};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(out[i], expected[i], 1e-6f) << i;
}

}  // namespace
