#include "sim/rigidbody/NodeTests.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "RandomRotation.h"
#include "sim/rigidbody/MeshToWorld.h"
#include "sim/rigidbody/OrientedBox.h"
#include "sim/rigidbody/TriangleContacts.h"

using namespace physics;
using namespace physics::rigidbody;
using testing_support::randomRotation;

namespace {

// Sizes from 1e-3 to 1e3 and offsets from the boundary down to a few float steps.
struct Sampler {
    std::mt19937 random{12};
    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); }
    float scale() { return std::pow(10.0f, uniform(-3, 3)); }
    float nudge() { return (uniform(0, 1) < 0.5f ? -1 : 1) * std::pow(10.0f, uniform(-8, -2)); }
};

// The node test as the sphere walk makes it: body-space bounds carried to world
// space by the mesh's transform (away from the origin, and a little off a
// rotation too), against spheres grazing the turned box.
TEST(QuickBoxSphereTest, NodeAnswersAsTheWalksNodeTestWhereverItAnswers)
{
    Sampler s;
    int answered = 0, unclear = 0, yes = 0;
    for (int i = 0; i < 200000; ++i) {
        const Matrix3 rotation = randomRotation(s.random, i % 4 == 0 ? 1e-3 : 0.0);
        const Vector3 position{s.scale() * s.uniform(-1, 1), s.scale() * s.uniform(-1, 1), s.scale() * s.uniform(-1, 1)};
        const float size = s.scale();
        BoundingBox bounds;
        for (int a = 0; a < 3; ++a) {
            const float c = s.scale() * s.uniform(-1, 1), h = size * s.uniform(0, 1);
            bounds.min[a] = c - h;
            bounds.max[a] = c + h;
        }
        const Matrix4 transform = meshTransform(rotation, position);
        const OrientedBox box{Matrix4::transformAffine(transform, Vector3((bounds.max - bounds.min) * 0.5f + bounds.min)),
                              {column(rotation, 0), column(rotation, 1), column(rotation, 2)},
                              bounds.halfExtents()};
        // A point of the box's surface, then outward by about the radius.
        double local[3];
        for (int a = 0; a < 3; ++a) {
            const double extent = box.halfExtents[a];
            const float pick = s.uniform(0, 1);
            local[a] = pick < 0.3f ? extent : pick < 0.6f ? -extent : extent * s.uniform(-1, 1);
        }
        const float radius = size * s.uniform(0, 1.5f);
        double out[3] = {local[0], local[1], local[2]};
        const double length = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
        for (double& c : out) c = length > 0 ? c / length : 1.0 / std::sqrt(3.0);
        Vector3 sphereCentre;
        for (int r = 0; r < 3; ++r) {
            double v = box.centre[r];
            for (int c = 0; c < 3; ++c) v += rotation[r][c] * (local[c] + out[c] * radius * (1 + s.nudge()));
            sphereCentre[r] = float(v);
        }
        const Sphere sphere{sphereCentre, radius};
        const Answer quick = QuickBoxSphereTest(rotation, position, sphere).intersectsNode(bounds);
        if (quick == Answer::UNCLEAR) {
            ++unclear;
            continue;
        }
        ++answered;
        yes += quick == Answer::YES;
        ASSERT_EQ(quick == Answer::YES, box.intersectsSphere(sphere)) << "case " << i;
    }
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

// A body-space triangle's world vertices as the walks form them.
void worldTriangle(const Matrix3& rotation, const Vector3& position, const Vector3* body, Vector3* world)
{
    const Matrix4 m = Matrix4::makeTranslation(position) * Matrix4::fromRotation(rotation);
    for (int k = 0; k < 3; ++k) world[k] = Matrix4::transformAffine(m, body[k]);
}

// A triangle's bounding sphere as the mesh tree summarises it.
Sphere boundsOf(const Vector3* t)
{
    const Vector3 centre{float((double(t[0].x) + t[1].x + t[2].x) / 3), float((double(t[0].y) + t[1].y + t[2].y) / 3),
                         float((double(t[0].z) + t[1].z + t[2].z) / 3)};
    double radius = 0;
    for (int k = 0; k < 3; ++k)
        radius = std::max(radius, std::sqrt(std::pow(double(t[k].x) - centre.x, 2) + std::pow(double(t[k].y) - centre.y, 2) +
                                            std::pow(double(t[k].z) - centre.z, 2)));
    return Sphere{centre, std::nextafter(float(radius), INFINITY)};
}

TEST(QuickTriangleTests, SkipOnlyTrianglesThatAddNoContact)
{
    // Triangles of random size and turn whose nearest point lies about a radius
    // from a sphere's centre, or whose lowest vertex lies about on a plane.
    Sampler s;
    int sphereSkips = 0, planeSkips = 0;
    physics::rigidbody::RigidBody mesh{}, other{};
    for (int i = 0; i < 100000; ++i) {
        const Matrix3 rotation = randomRotation(s.random);
        const Vector3 position{s.scale() * s.uniform(-1, 1), s.scale() * s.uniform(-1, 1), s.scale() * s.uniform(-1, 1)};
        const float size = s.scale();
        Vector3 body[3];
        for (Vector3& v : body) v = Vector3{size * s.uniform(-1, 1), size * s.uniform(-1, 1), size * s.uniform(-1, 1)};
        Vector3 world[3];
        worldTriangle(rotation, position, body, world);
        const Sphere bounds = boundsOf(body);

        // A sphere about one triangle radius off a vertex, outward from the centroid.
        const Vector3 centroid{(world[0].x + world[1].x + world[2].x) / 3, (world[0].y + world[1].y + world[2].y) / 3,
                               (world[0].z + world[1].z + world[2].z) / 3};
        Vector3 out = world[0] - centroid;
        if (squaredLength(out) > 0) normalise(out);
        const float radius = size * s.uniform(0.01f, 1.0f);
        const Sphere sphere{world[0] + out * (radius * (1 + s.nudge()) + size * s.uniform(0, 2)), radius};
        ContactList contacts;
        if (QuickBoxSphereTest(rotation, position, sphere).triangleClear(bounds)) {
            ++sphereSkips;
            collideTriangleSphere(world, sphere, &mesh, &other, &contacts);
            ASSERT_TRUE(contacts.empty()) << "case " << i;
        }

        // A plane below the triangle's lowest vertex along a random normal, by
        // nothing to twice its size, moved a little.
        Vector3 normal{s.uniform(-1, 1), s.uniform(-1, 1), s.uniform(-1, 1)};
        normalise(normal);
        int lowest = 0;
        for (int k = 1; k < 3; ++k)
            if (dotProduct(normal, world[k]) < dotProduct(normal, world[lowest])) lowest = k;
        const Plane plane{normal, float(-double(dotProduct(normal, world[lowest])) +
                                        size * (s.uniform(0, 1) < 0.5f ? s.uniform(0, 2) : 0) + size * s.nudge())};
        const Matrix4 m = Matrix4::makeTranslation(position) * Matrix4::fromRotation(rotation);
        if (QuickCornersPlaneTest(m, plane).triangleClear(bounds)) {
            ++planeSkips;
            collideTrianglePlane(world, plane, &mesh, &other, &contacts);
            ASSERT_TRUE(contacts.empty()) << "case " << i;
        }
    }
    EXPECT_GT(sphereSkips, 20000);
    EXPECT_GT(planeSkips, 20000);
}

TEST(QuickTriangleTests, SkipOnlyTrianglesThatAddNoContactAtTheRoundingOfTheirCoordinates)
{
    // Tiny triangles far from the origin, with the sphere's surface or the plane
    // within a few float steps of the coordinates of a vertex: where the rounding
    // of the transform and of the tests decides.
    Sampler s;
    int skips = 0;
    physics::rigidbody::RigidBody mesh{}, other{};
    for (int i = 0; i < 100000; ++i) {
        const Matrix3 rotation = randomRotation(s.random);
        const float far = s.scale();
        const Vector3 position{far * s.uniform(-1, 1), far * s.uniform(-1, 1), far * s.uniform(-1, 1)};
        const Vector3 corner{far * s.uniform(-1, 1), far * s.uniform(-1, 1), far * s.uniform(-1, 1)};
        const float tiny = far * 1e-6f;
        Vector3 body[3];
        for (Vector3& v : body)
            v = corner + Vector3{tiny * s.uniform(-1, 1), tiny * s.uniform(-1, 1), tiny * s.uniform(-1, 1)};
        Vector3 world[3];
        worldTriangle(rotation, position, body, world);
        const Sphere bounds = boundsOf(body);
        const float step = far * 1e-7f * s.uniform(-30, 30);

        const Vector3 out = Vector3{s.uniform(-1, 1), s.uniform(-1, 1), s.uniform(-1, 1)};
        const float radius = far * s.uniform(0.001f, 1.0f);
        Vector3 unit = out;
        normalise(unit);
        const Sphere sphere{world[0] + unit * (radius + step), radius};
        ContactList contacts;
        if (QuickBoxSphereTest(rotation, position, sphere).triangleClear(bounds)) {
            ++skips;
            collideTriangleSphere(world, sphere, &mesh, &other, &contacts);
            ASSERT_TRUE(contacts.empty()) << "sphere case " << i;
        }
        const Plane plane{unit, float(-double(dotProduct(unit, world[0])) + step)};
        const Matrix4 m = Matrix4::makeTranslation(position) * Matrix4::fromRotation(rotation);
        if (QuickCornersPlaneTest(m, plane).triangleClear(bounds)) {
            ++skips;
            collideTrianglePlane(world, plane, &mesh, &other, &contacts);
            ASSERT_TRUE(contacts.empty()) << "plane case " << i;
        }
    }
    EXPECT_GT(skips, 10000);
}

TEST(QuickNodeTests, LeaveNonFiniteInputToTheTests)
{
    const float nan = std::nanf("");
    const float inf = INFINITY;
    const Matrix3 identity = Matrix3::identity();
    const BoundingBox cube{Vector3{-1, -1, -1}, Vector3{1, 1, 1}};
    EXPECT_EQ(QuickBoxSphereTest(identity, Vector3{0, 0, 0}, Sphere{Vector3{nan, 0, 0}, 1}).intersectsNode(cube),
              Answer::UNCLEAR);
    EXPECT_EQ(QuickBoxSphereTest(identity, Vector3{0, 0, 0}, Sphere{Vector3{5, 0, 0}, 1})
                  .intersectsNode(BoundingBox{Vector3{-1, -1, -1}, Vector3{inf, 1, 1}}),
              Answer::UNCLEAR);
    EXPECT_EQ(QuickBoxSphereTest(identity, Vector3{0, 0, 0}, Sphere{Vector3{5, 0, 0}, 1})
                  .intersectsNode(BoundingBox{Vector3{nan, -1, -1}, Vector3{1, 1, 1}}),
              Answer::UNCLEAR);
    const Matrix4 transform = Matrix4::makeTranslation(Vector3{0, 0, 0}) * Matrix4::fromRotation(identity);
    const BoundingBox box{Vector3{-1, -1, -1}, Vector3{1, 1, 1}};
    EXPECT_EQ(QuickCornersPlaneTest(transform, Plane{Vector3{0, 1, 0}, nan}).anyCornerBehind(box), Answer::UNCLEAR);
    EXPECT_EQ(QuickCornersPlaneTest(transform, Plane{Vector3{0, 1, 0}, 5}).anyCornerBehind(
                  BoundingBox{Vector3{-1, inf, -1}, Vector3{1, 1, 1}}),
              Answer::UNCLEAR);
}

}  // namespace
