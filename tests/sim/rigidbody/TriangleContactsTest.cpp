#include "sim/rigidbody/TriangleContacts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "ContactMatchers.h"

using namespace physics;
using namespace physics::rigidbody;
using testing_support::expectVector;

namespace {

// Stand-ins: the tests only store body pointers.
RigidBody meshBody{}, otherMeshBody{}, shapeBody{}, secondShapeBody{};

bool finite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

void expectSound(const ContactList& contacts)
{
    for (const Contact& c : contacts) {
        EXPECT_TRUE(finite(c.point));
        EXPECT_TRUE(finite(c.normal));
        EXPECT_NEAR(squaredLength(c.normal), 1.0f, 1e-6);
        EXPECT_TRUE(c.vertexFace);
        expectVector(c.edgeA, 0, 0, 0);
        expectVector(c.edgeB, 0, 0, 0);
    }
}

OrientedBox unitBox(const Vector3& centre = Vector3{0, 0, 0})
{
    return OrientedBox{centre, {Vector3{1, 0, 0}, Vector3{0, 1, 0}, Vector3{0, 0, 1}}, Vector3{1, 1, 1}};
}

// clipPolygonToPlane

TEST(ClipPolygonToPlane, KeepsTheInsidePartInCyclicOrder)
{
    const Vector3 up{0, 1, 0};
    // Unit square in the x-y plane, clipped to y >= 0.5.
    Vector3 square[MAX_POLYGON_VERTICES] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    int count = 4;
    clipPolygonToPlane(up, 0.5f, count, square);
    ASSERT_EQ(count, 4);
    expectVector(square[0], 1, 0.5f, 0);
    expectVector(square[1], 1, 1, 0);
    expectVector(square[2], 0, 1, 0);
    expectVector(square[3], 0, 0.5f, 0);

    // A first vertex inside, the inside run wrapping round the end: y <= 0.5.
    Vector3 again[MAX_POLYGON_VERTICES] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    count = 4;
    clipPolygonToPlane(Vector3{0, -1, 0}, -0.5f, count, again);
    ASSERT_EQ(count, 4);
    expectVector(again[0], 0, 0, 0);
    expectVector(again[1], 1, 0, 0);
    expectVector(again[2], 1, 0.5f, 0);
    expectVector(again[3], 0, 0.5f, 0);

    // Wholly outside, and wholly inside (a vertex on the plane counts as inside).
    count = 4;
    clipPolygonToPlane(up, 2.0f, count, again);
    EXPECT_EQ(count, 0);
    Vector3 triangle[MAX_POLYGON_VERTICES] = {{0, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    count = 3;
    clipPolygonToPlane(up, 0.0f, count, triangle);
    EXPECT_EQ(count, 3);
    expectVector(triangle[1], 1, 1, 0);
}

TEST(ClipPolygonToPlane, InsideRunAfterAnOutsideVertexFollowsTheTwoCrossings)
{
    // q0 inside, q1 outside, q2 inside: q0, the crossing leaving on q0-q1, the
    // crossing coming back on q1-q2, then q2. Each crossing X(a, b) is measured
    // from the edge's end b: b + (a - b) t with t = dist_b / (dist_b - dist_a).
    // From a's side the two crossings would have x = 0.0500000007 and 0.0500000119.
    Vector3 polygon[MAX_POLYGON_VERTICES] = {{0.1f, 0.3f, 0}, {-0.7f, 0.3f, 0.2f}, {0.5f, -1.3f, 0.9f}};
    int count = 3;
    clipPolygonToPlane(Vector3{1, 0, 0}, 0.05f, count, polygon);
    ASSERT_EQ(count, 4);
    const Vector3 expected[4] = {{0.1f, 0.3f, 0},
                                 {0.0500000119f, 0.300000012f, 0.012500003f},
                                 {0.0499999821f, -0.699999988f, 0.637499988f},
                                 {0.5f, -1.3f, 0.9f}};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(polygon[k].x, expected[k].x);
        EXPECT_EQ(polygon[k].y, expected[k].y);
        EXPECT_EQ(polygon[k].z, expected[k].z);
    }
}

TEST(ClipPolygonToPlane, MovesTheOutsideEndOfASegment)
{
    Vector3 segment[MAX_POLYGON_VERTICES] = {{0, 3, 0}, {0, -1, 0}};
    int count = 2;
    clipPolygonToPlane(Vector3{0, 1, 0}, 1.0f, count, segment);
    ASSERT_EQ(count, 2);
    expectVector(segment[0], 0, 3, 0);
    expectVector(segment[1], 0, 1, 0);
}

// collideTriangleBox

TEST(CollideTriangleBox, TriangleInsideGivesItsVerticesWithThePlusXNormal)
{
    const float c = std::cos(0.3f), s = std::sin(0.3f);
    OrientedBox box{Vector3{5, 1, 0}, {Vector3{c, s, 0}, Vector3{-s, c, 0}, Vector3{0, 0, 1}}, Vector3{2, 2, 2}};
    const Vector3 triangle[3] = {{5, 1, 0}, {5.5f, 1, 0}, {5, 1.5f, 0.5f}};
    ContactList contacts;
    collideTriangleBox(triangle, box, &meshBody, &shapeBody, &contacts);
    ASSERT_EQ(contacts.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(contacts[i].bodyA, &meshBody);
        EXPECT_EQ(contacts[i].bodyB, &shapeBody);
        expectVector(contacts[i].point, triangle[i].x, triangle[i].y, triangle[i].z);
        expectVector(contacts[i].normal, c, s, 0, 1e-6f);
    }
    expectSound(contacts);
}

TEST(CollideTriangleBox, TriangleCuttingOneFaceGivesThePartInside)
{
    const Vector3 triangle[3] = {{0.5f, 0, 0}, {1.5f, 0, 0.5f}, {1.5f, 0, -0.5f}};
    ContactList contacts;
    collideTriangleBox(triangle, unitBox(), &meshBody, &shapeBody, &contacts);
    ASSERT_EQ(contacts.size(), 3u);
    expectVector(contacts[0].point, 0.5f, 0, 0);
    expectVector(contacts[1].point, 1, 0, 0.25f);
    expectVector(contacts[2].point, 1, 0, -0.25f);
    for (const Contact& k : contacts) expectVector(k.normal, 1, 0, 0);

    // No duplicate check: the same triangle again adds the same three points.
    collideTriangleBox(triangle, unitBox(), &meshBody, &secondShapeBody, &contacts);
    EXPECT_EQ(contacts.size(), 6u);
}

TEST(CollideTriangleBox, TriangleMissingTheBoxGivesNothing)
{
    const Vector3 triangle[3] = {{1.5f, 0, 0}, {2.5f, 0, 0}, {1.5f, 1, 0}};
    ContactList contacts;
    collideTriangleBox(triangle, unitBox(), &meshBody, &shapeBody, &contacts);
    EXPECT_TRUE(contacts.empty());
}

TEST(CollideTriangleBox, LargeTriangleThroughSixFacesGivesNineContacts)
{
    // In the plane x + y + z = 0, which cuts the box in a hexagon; the triangle's
    // edges cut off three of its corners, and every face clip adds a vertex.
    // Relative to the box centre: (-1.5, 1.5, 0), (0, -1.5, 1.5), (1.5, 0, -1.5).
    ContactList contacts;
    const Vector3 shifted[3] = {{8.5f, 21.5f, 30}, {10, 18.5f, 31.5f}, {11.5f, 20, 28.5f}};
    collideTriangleBox(shifted, unitBox(Vector3{10, 20, 30}), &meshBody, &shapeBody, &contacts);
    ASSERT_EQ(contacts.size(), 9u);
    for (const Contact& c : contacts) {
        const Vector3 local = c.point - Vector3{10, 20, 30};
        for (int a = 0; a < 3; ++a) EXPECT_LE(std::fabs(local[a]), 1.0f + 1e-5f);
        EXPECT_NEAR(double(local.x) + local.y + local.z, 0.0, 1e-5);
    }
    // A position keeps the normal of the face whose clip first reached it.
    const Vector3 normals[9] = {{1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 1, 0},
                                {0, 0, 1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, -1}};
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        expectVector(contacts[i].normal, normals[i].x, normals[i].y, normals[i].z);
    }
    expectSound(contacts);
}

TEST(CollideTriangleBox, ZeroLengthAxisGivesNoNaNContact)
{
    OrientedBox flat{Vector3{0, 0, 0}, {Vector3{1, 0, 0}, Vector3{0, 0, 0}, Vector3{0, 0, 1}}, Vector3{1, 1, 1}};
    const Vector3 triangle[3] = {{0, 0, 0}, {0.5f, 0, 0}, {0, 0, 0.5f}};
    ContactList contacts;
    collideTriangleBox(triangle, flat, &meshBody, &shapeBody, &contacts);
    expectSound(contacts);
}

// collideTriangleSphere

const Vector3 floorTriangle[3] = {{0, 0, 0}, {4, 0, 0}, {0, 0, 4}};  // y = 0, wound facing down

TEST(CollideTriangleSphere, TouchingAtExactlyTheRadiusCounts)
{
    struct Case {
        const char* name;
        Vector3 centre;
        float radius;
        bool contact;
        Vector3 point;
    } cases[] = {
        {"face, at the radius", {1, 2, 1}, 2.0f, true, {1, 0, 1}},
        {"face, just beyond", {1, 2, 1}, std::nextafter(2.0f, 0.0f), false, {}},
        {"corner region", {-1, 1, -1}, 2.0f, true, {0, 0, 0}},
        {"edge region", {2, 1, -1}, 2.0f, true, {2, 0, 0}},
        {"far edge region", {3, 1, 3}, 2.0f, true, {2, 0, 2}},
        {"far corner region", {6, 1, -1}, 3.0f, true, {4, 0, 0}},
        {"far away", {10, 10, 10}, 2.0f, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ContactList contacts;
        collideTriangleSphere(floorTriangle, Sphere{c.centre, c.radius}, &meshBody, &shapeBody, &contacts);
        ASSERT_EQ(contacts.size(), c.contact ? 1u : 0u);
        if (!c.contact) continue;
        expectVector(contacts[0].point, c.point.x, c.point.y, c.point.z, 1e-6f);
        EXPECT_EQ(contacts[0].bodyA, &meshBody);
        EXPECT_EQ(contacts[0].bodyB, &shapeBody);
        Vector3 expectedNormal = c.point - c.centre;
        normalise(expectedNormal);
        expectVector(contacts[0].normal, expectedNormal.x, expectedNormal.y, expectedNormal.z, 1e-6f);
        expectSound(contacts);
    }
}

// Brute-force nearest point of a triangle, in double precision.
void nearestPoint(const Vector3* tri, const Vector3& p, double out[3])
{
    double best = std::numeric_limits<double>::max();
    // Dense barycentric sampling refined by projection onto the plane and the edges.
    auto consider = [&](double x, double y, double z) {
        const double dx = x - p.x, dy = y - p.y, dz = z - p.z;
        const double d = dx * dx + dy * dy + dz * dz;
        if (d < best) best = d, out[0] = x, out[1] = y, out[2] = z;
    };
    const double a[3] = {tri[0].x, tri[0].y, tri[0].z};
    double e0[3], e1[3];
    for (int i = 0; i < 3; ++i) e0[i] = tri[1][i] - a[i], e1[i] = tri[2][i] - a[i];
    auto segment = [&](const double s[3], const double d[3]) {
        double dd = 0, t = 0;
        for (int i = 0; i < 3; ++i) dd += d[i] * d[i], t += (p[i] - s[i]) * d[i];
        t = std::fmax(0.0, std::fmin(1.0, t / dd));
        consider(s[0] + d[0] * t, s[1] + d[1] * t, s[2] + d[2] * t);
    };
    const double b[3] = {tri[1].x, tri[1].y, tri[1].z};
    double e2[3];
    for (int i = 0; i < 3; ++i) e2[i] = tri[2][i] - b[i];
    segment(a, e0);
    segment(a, e1);
    segment(b, e2);
    // Interior: solve the 2x2 normal equations.
    double A = 0, B = 0, C = 0, D = 0, E = 0;
    for (int i = 0; i < 3; ++i) {
        A += e0[i] * e0[i], B += e0[i] * e1[i], C += e1[i] * e1[i];
        D += e0[i] * (p[i] - a[i]), E += e1[i] * (p[i] - a[i]);
    }
    const double det = A * C - B * B;
    const double s = (C * D - B * E) / det, t = (A * E - B * D) / det;
    if (s >= 0 && t >= 0 && s + t <= 1)
        consider(a[0] + e0[0] * s + e1[0] * t, a[1] + e0[1] * s + e1[1] * t, a[2] + e0[2] * s + e1[2] * t);
}

TEST(CollideTriangleSphere, FindsTheNearestPointInEveryRegion)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> coord(-2.0f, 2.0f);
    for (int trial = 0; trial < 5000; ++trial) {
        Vector3 tri[3], centre;
        for (Vector3& v : tri) v = Vector3{coord(rng), coord(rng), coord(rng)};
        centre = Vector3{coord(rng) * 2, coord(rng) * 2, coord(rng) * 2};
        const Vector3 n = crossProduct(Vector3(tri[1] - tri[0]), Vector3(tri[2] - tri[0]));
        if (squaredLength(n) < 0.1f) continue;  // keep clear of near-degenerate shapes
        ContactList contacts;
        collideTriangleSphere(tri, Sphere{centre, 100.0f}, &meshBody, &shapeBody, &contacts);
        ASSERT_EQ(contacts.size(), 1u) << trial;
        double expected[3];
        nearestPoint(tri, centre, expected);
        for (int i = 0; i < 3; ++i) ASSERT_NEAR(contacts[0].point[i], expected[i], 2e-4) << trial << " axis " << i;
    }
}

TEST(CollideTriangleSphere, CentreOnTheTrianglePushesAlongTheFaceNormal)
{
    ContactList contacts;
    collideTriangleSphere(floorTriangle, Sphere{Vector3{1, 0, 1}, 0.5f}, &meshBody, &shapeBody, &contacts);
    ASSERT_EQ(contacts.size(), 1u);
    expectVector(contacts[0].point, 1, 0, 1);
    // The face normal by the winding is (0, -1, 0); the contact normal is its
    // reverse (from the sphere side into the mesh).
    expectVector(contacts[0].normal, 0, 1, 0);
}

TEST(CollideTriangleSphere, DegenerateTrianglesGiveNoNaNContact)
{
    const Vector3 collinear[3] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    const Vector3 point[3] = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
    ContactList contacts;
    for (const Vector3* tri : {collinear, point})
        for (const Vector3& centre : {Vector3{0.5f, 0.1f, 0}, Vector3{1, 1, 1}, Vector3{1, 0, 0}})
            collideTriangleSphere(tri, Sphere{centre, 1.0f}, &meshBody, &shapeBody, &contacts);
    expectSound(contacts);
}

TEST(CollideTriangleSphere, APointAlreadyListedForAnotherPairIsDropped)
{
    ContactList contacts;
    collideTriangleSphere(floorTriangle, Sphere{Vector3{1, 1, 1}, 1.0f}, &meshBody, &shapeBody, &contacts);
    collideTriangleSphere(floorTriangle, Sphere{Vector3{1, -1, 1}, 1.0f}, &otherMeshBody, &secondShapeBody,
                          &contacts);
    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_EQ(contacts[0].bodyB, &shapeBody);
}

// collideTrianglePlane

TEST(CollideTrianglePlane, VerticesStrictlyBehindThePlane)
{
    const Plane ground{Vector3{0, 1, 0}, 0};
    struct Case {
        const char* name;
        float y0, y1, y2;
        int contacts;
    } cases[] = {
        {"one vertex below", -0.5f, 1, 2, 1},
        {"one vertex on the plane", 0, 1, 2, 0},
        {"wholly below", -1, -2, -3, 3},
        {"wholly above", 1, 2, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Vector3 tri[3] = {{0, c.y0, 0}, {1, c.y1, 0}, {0, c.y2, 1}};
        ContactList contacts;
        collideTrianglePlane(tri, ground, &meshBody, &shapeBody, &contacts);
        ASSERT_EQ(int(contacts.size()), c.contacts);
        for (const Contact& k : contacts) {
            expectVector(k.normal, 0, 1, 0);
            EXPECT_EQ(k.bodyA, &meshBody);
            EXPECT_EQ(k.bodyB, &shapeBody);
            EXPECT_LT(k.point.y, 0.0f) << "the vertex itself, not projected";
        }
        expectSound(contacts);
    }
}

TEST(CollideTrianglePlane, AVertexAlreadyListedIsDropped)
{
    const Vector3 tri[3] = {{0, -1, 0}, {1, 1, 0}, {0, 1, 1}};
    ContactList contacts;
    collideTrianglePlane(tri, Plane{Vector3{0, 1, 0}, 0}, &meshBody, &shapeBody, &contacts);
    collideTrianglePlane(tri, Plane{Vector3{0, 1, 0}, 0.5f}, &meshBody, &secondShapeBody, &contacts);
    ASSERT_EQ(contacts.size(), 1u);
}

// pointSegmentDistanceSq

TEST(PointSegmentDistanceSq, NearestEndOrPerpendicularFoot)
{
    const Segment s{Vector3{1, 0, 0}, Vector3{2, 0, 0}};  // (1, 0, 0) to (3, 0, 0)
    EXPECT_FLOAT_EQ(pointSegmentDistanceSq(s, Vector3{0, 1, 0}), 2.0f);
    EXPECT_FLOAT_EQ(pointSegmentDistanceSq(s, Vector3{4, 0, 2}), 5.0f);
    EXPECT_FLOAT_EQ(pointSegmentDistanceSq(s, Vector3{2, 3, 4}), 25.0f);
    EXPECT_FLOAT_EQ(pointSegmentDistanceSq(s, Vector3{1.5f, 0, 0}), 0.0f);
}

// collideTriangleTriangle

const Vector3 horizontal[3] = {{0, 0, 0}, {0, 0, 2}, {2, 0, 0}};          // faces up
const Vector3 vertical[3] = {{0.5f, -1, 0.5f}, {1, -1, 0.5f}, {0.5f, 1, 0.5f}};  // faces +z, in z = 0.5

TEST(CollideTriangleTriangle, CrossingTrianglesTouchAtTheSegmentMiddleWithTheSecondNormal)
{
    ContactList contacts;
    collideTriangleTriangle(horizontal, vertical, &meshBody, &otherMeshBody, &contacts);
    ASSERT_EQ(contacts.size(), 1u);
    // The vertical triangle meets y = 0 along x in [0.5, 0.75] at z = 0.5.
    expectVector(contacts[0].point, 0.625f, 0, 0.5f, 1e-6f);
    expectVector(contacts[0].normal, 0, 0, 1);
    EXPECT_EQ(contacts[0].bodyA, &meshBody);
    EXPECT_EQ(contacts[0].bodyB, &otherMeshBody);
    expectSound(contacts);

    ContactList exchanged;
    collideTriangleTriangle(vertical, horizontal, &otherMeshBody, &meshBody, &exchanged);
    ASSERT_EQ(exchanged.size(), 1u);
    expectVector(exchanged[0].point, 0.625f, 0, 0.5f, 1e-6f);
    expectVector(exchanged[0].normal, 0, 1, 0);
    EXPECT_EQ(exchanged[0].bodyA, &otherMeshBody);
    EXPECT_EQ(exchanged[0].bodyB, &meshBody);
}

TEST(CollideTriangleTriangle, SeparateTrianglesAndListedPointsGiveNothing)
{
    const Vector3 above[3] = {{0, 1, 0}, {0, 1, 2}, {2, 1, 0}};
    ContactList contacts;
    collideTriangleTriangle(horizontal, above, &meshBody, &otherMeshBody, &contacts);
    EXPECT_TRUE(contacts.empty());

    collideTriangleTriangle(horizontal, vertical, &meshBody, &otherMeshBody, &contacts);
    collideTriangleTriangle(horizontal, vertical, &shapeBody, &secondShapeBody, &contacts);
    EXPECT_EQ(contacts.size(), 1u);
}

TEST(CollideTriangleTriangle, CoplanarOverlapTouchesInsideTheOverlapNotAtTheOrigin)
{
    // Both in the plane y = 3, far from the origin; they overlap in the square
    // corner x in [10, 11], z in [10, 11] (roughly).
    const Vector3 p[3] = {{9, 3, 9}, {9, 3, 12}, {12, 3, 9}};
    const Vector3 q[3] = {{10, 3, 10}, {13, 3, 10}, {10, 3, 13}};  // faces down
    ContactList contacts;
    collideTriangleTriangle(p, q, &meshBody, &otherMeshBody, &contacts);
    ASSERT_EQ(contacts.size(), 1u);
    const Vector3 c = contacts[0].point;
    EXPECT_FLOAT_EQ(c.y, 3.0f);
    // Inside both: x, z >= 10 (q) and x + z <= 21 (p).
    EXPECT_GE(c.x, 10.0f);
    EXPECT_GE(c.z, 10.0f);
    EXPECT_LE(c.x + c.z, 21.0f);
    expectVector(contacts[0].normal, 0, -1, 0);
    EXPECT_EQ(contacts[0].bodyA, &meshBody);
    expectSound(contacts);

    const Vector3 apart[3] = {{20, 3, 20}, {23, 3, 20}, {20, 3, 23}};
    ContactList none;
    collideTriangleTriangle(p, apart, &meshBody, &otherMeshBody, &none);
    EXPECT_TRUE(none.empty());
}

TEST(CollideTriangleTriangle, ASliverWhoseEdgesHoldTheSegmentGivesItsOwnNormal)
{
    // P is 1e-7 thin: both segment ends lie within 1e-6 of all three of its edges,
    // so P's face gives the normal and Q's body becomes bodyA.
    const Vector3 sliver[3] = {{0, 0, 0}, {1, 0, 0}, {0.5f, 1e-7f, 0}};  // faces +z
    const Vector3 wall[3] = {{0.5f, -50, -50}, {0.5f, 50, -50}, {0.5f, 0, 50}};
    ContactList contacts;
    collideTriangleTriangle(sliver, wall, &meshBody, &otherMeshBody, &contacts);
    ASSERT_EQ(contacts.size(), 1u);
    expectVector(contacts[0].normal, 0, 0, 1);
    EXPECT_EQ(contacts[0].bodyA, &otherMeshBody);
    EXPECT_EQ(contacts[0].bodyB, &meshBody);
    expectVector(contacts[0].point, 0.5f, 0, 0, 1e-6f);
}

TEST(CollideTriangleTriangle, DegenerateTrianglesGiveNoNaNContact)
{
    const Vector3 collinear[3] = {{0.5f, -1, 0.5f}, {0.5f, 0, 0.5f}, {0.5f, 1, 0.5f}};
    const Vector3 point[3] = {{0.5f, 0, 0.5f}, {0.5f, 0, 0.5f}, {0.5f, 0, 0.5f}};
    ContactList contacts;
    for (const Vector3* d : {collinear, point}) {
        collideTriangleTriangle(horizontal, d, &meshBody, &otherMeshBody, &contacts);
        collideTriangleTriangle(d, horizontal, &meshBody, &otherMeshBody, &contacts);
        collideTriangleTriangle(d, d, &meshBody, &otherMeshBody, &contacts);
    }
    expectSound(contacts);
}

}  // namespace
