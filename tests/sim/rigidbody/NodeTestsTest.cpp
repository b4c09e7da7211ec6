#include "sim/rigidbody/NodeTests.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "sim/rigidbody/OrientedBox.h"

using namespace physics;
using namespace physics::rigidbody;

namespace {

Matrix3 randomRotation(std::mt19937& random)
{
    std::normal_distribution<double> normal;
    double q[4], length = 0;
    for (double& c : q) {
        c = normal(random);
        length += c * c;
    }
    length = std::sqrt(length);
    const double w = q[0] / length, x = q[1] / length, y = q[2] / length, z = q[3] / length;
    return Matrix3{{{float(1 - 2 * (y * y + z * z)), float(2 * (x * y - z * w)), float(2 * (x * z + y * w))},
                    {float(2 * (x * y + z * w)), float(1 - 2 * (x * x + z * z)), float(2 * (y * z - x * w))},
                    {float(2 * (x * z - y * w)), float(2 * (y * z + x * w)), float(1 - 2 * (x * x + y * y))}}};
}

// Sizes from 1e-3 to 1e3 and offsets from the boundary down to a few float steps.
struct Sampler {
    std::mt19937 random{12};
    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); }
    float scale() { return std::pow(10.0f, uniform(-3, 3)); }
    float nudge() { return (uniform(0, 1) < 0.5f ? -1 : 1) * std::pow(10.0f, uniform(-8, -2)); }
};

TEST(QuickBoxSphereTest, AnswersAsTheBoxTestWhereverItAnswers)
{
    Sampler s;
    int answered = 0, unclear = 0, yes = 0;
    for (int i = 0; i < 200000; ++i) {
        const Matrix3 rotation = randomRotation(s.random);
        const float size = s.scale();
        const Vector3 half{size * s.uniform(0, 1), size * s.uniform(0, 1), size * s.uniform(0, 1)};
        const Vector3 centre{s.scale() * s.uniform(-1, 1), s.scale() * s.uniform(-1, 1), s.scale() * s.uniform(-1, 1)};
        // A point of the box's surface (face, edge or corner), then outward by
        // about the radius.
        double local[3];
        for (int a = 0; a < 3; ++a) {
            const double extent = half[a];
            const float pick = s.uniform(0, 1);
            local[a] = pick < 0.3f ? extent : pick < 0.6f ? -extent : extent * s.uniform(-1, 1);
        }
        const float radius = size * s.uniform(0, 1.5f);
        double out[3] = {local[0], local[1], local[2]};
        const double length = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
        for (double& c : out) c = length > 0 ? c / length : 1.0 / std::sqrt(3.0);
        Vector3 sphereCentre = centre;
        for (int r = 0; r < 3; ++r) {
            double v = centre[r];
            for (int c = 0; c < 3; ++c) v += rotation[r][c] * (local[c] + out[c] * radius * (1 + s.nudge()));
            sphereCentre[r] = float(v);
        }
        const OrientedBox box{centre,
                              {Vector3{rotation[0][0], rotation[1][0], rotation[2][0]},
                               Vector3{rotation[0][1], rotation[1][1], rotation[2][1]},
                               Vector3{rotation[0][2], rotation[1][2], rotation[2][2]}},
                              half};
        const Sphere sphere{sphereCentre, radius};
        const Answer quick = QuickBoxSphereTest(rotation, sphere).intersects(centre, half);
        if (quick == Answer::UNCLEAR) {
            ++unclear;
            continue;
        }
        ++answered;
        yes += quick == Answer::YES;
        ASSERT_EQ(quick == Answer::YES, box.intersectsSphere(sphere)) << "case " << i;
    }
    // Most cases are decided either way; the closest are left to the test.
    EXPECT_GT(answered, 100000);
    EXPECT_GT(yes, 30000);
    EXPECT_GT(unclear, 100);
}

TEST(QuickCornersPlaneTest, AnswersAsTheCornerLoopWhereverItAnswers)
{
    Sampler s;
    int answered = 0, unclear = 0, behind = 0;
    for (int i = 0; i < 200000; ++i) {
        const Vector3 position{s.scale() * s.uniform(-1, 1), s.scale() * s.uniform(-1, 1), s.scale() * s.uniform(-1, 1)};
        const Matrix4 transform = Matrix4::makeTranslation(position) * Matrix4::fromRotation(randomRotation(s.random));
        const float size = s.scale();
        const Vector3 lo{size * s.uniform(-1, 0), size * s.uniform(-1, 0), size * s.uniform(-1, 0)};
        const BoundingBox bounds{lo, Vector3{lo.x + size * s.uniform(0, 1), lo.y + size * s.uniform(0, 1),
                                             lo.z + size * s.uniform(0, 1)}};
        // A plane through a corner, moved off it by a little.
        const int k = int(s.uniform(0, 8));
        const Vector3 corner = Matrix4::transformAffine(
            transform, Vector3{(k & 1) ? bounds.max.x : bounds.min.x, (k & 2) ? bounds.max.y : bounds.min.y,
                               (k & 4) ? bounds.max.z : bounds.min.z});
        Vector3 normal{s.uniform(-1, 1), s.uniform(-1, 1), s.uniform(-1, 1)};
        normalise(normal);
        const float d = float(-double(dotProduct(normal, corner)) + size * s.nudge());
        const Plane plane{normal, d};

        bool anyBehind = false;
        for (int c = 0; c < 8 && !anyBehind; ++c) {
            const Vector3 local{(c & 1) ? bounds.max.x : bounds.min.x, (c & 2) ? bounds.max.y : bounds.min.y,
                                (c & 4) ? bounds.max.z : bounds.min.z};
            anyBehind = !(Plane::signedDistance(plane, Matrix4::transformAffine(transform, local)) >= 0.0f);
        }
        const Answer quick = QuickCornersPlaneTest(transform, plane).anyCornerBehind(bounds);
        if (quick == Answer::UNCLEAR) {
            ++unclear;
            continue;
        }
        ++answered;
        behind += quick == Answer::YES;
        ASSERT_EQ(quick == Answer::YES, anyBehind) << "case " << i;
    }
    EXPECT_GT(answered, 150000);
    EXPECT_GT(behind, 30000);
    EXPECT_GT(unclear, 100);
}

TEST(QuickNodeTests, LeaveNonFiniteInputToTheTests)
{
    const float nan = std::nanf("");
    const float inf = INFINITY;
    const Matrix3 identity = Matrix3::identity();
    const Vector3 half{1, 1, 1};
    EXPECT_EQ(QuickBoxSphereTest(identity, Sphere{Vector3{nan, 0, 0}, 1}).intersects(Vector3{0, 0, 0}, half),
              Answer::UNCLEAR);
    EXPECT_EQ(QuickBoxSphereTest(identity, Sphere{Vector3{0, 0, 0}, 1}).intersects(Vector3{inf, 0, 0}, half),
              Answer::UNCLEAR);
    EXPECT_EQ(QuickBoxSphereTest(identity, Sphere{Vector3{5, 0, 0}, 1}).intersects(Vector3{0, 0, 0},
                                                                                    Vector3{nan, 1, 1}),
              Answer::UNCLEAR);
    const Matrix4 transform = Matrix4::makeTranslation(Vector3{0, 0, 0}) * Matrix4::fromRotation(identity);
    const BoundingBox box{Vector3{-1, -1, -1}, Vector3{1, 1, 1}};
    EXPECT_EQ(QuickCornersPlaneTest(transform, Plane{Vector3{0, 1, 0}, nan}).anyCornerBehind(box), Answer::UNCLEAR);
    EXPECT_EQ(QuickCornersPlaneTest(transform, Plane{Vector3{0, 1, 0}, 5}).anyCornerBehind(
                  BoundingBox{Vector3{-1, inf, -1}, Vector3{1, 1, 1}}),
              Answer::UNCLEAR);
}

}  // namespace
