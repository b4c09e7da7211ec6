#include "sim/water/RayTests.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Meshes.h"

using namespace testing_support;

namespace {

const Vector3 up{0, 1, 0};

void expectPoint(const Vector3& p, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(p.x, x);
    EXPECT_FLOAT_EQ(p.y, y);
    EXPECT_FLOAT_EQ(p.z, z);
}

// raySphere

struct SphereCase {
    const char* name;
    Vector3 origin;
    bool hit;
    unsigned count;
    float y0, y1;  // y of the points; x is the origin's
};

TEST(RaySphere, WorkedExamplesOnTheUnitSphere)
{
    const Sphere unit{Vector3{0, 0, 0}, 1.0f};
    const SphereCase cases[] = {
        {"from far below: entry then exit", {0, -1000, 0}, true, 2, -1, 1},
        {"from the centre: the exit", {0, 0, 0}, true, 1, 1, 0},
        {"from the surface: the exit", {0, -1, 0}, true, 1, 1, 0},
        {"from above, going away", {0, 2, 0}, false, 0, 0, 0},
        {"grazing along x = 1", {1, -1000, 0}, true, 1, 0, 0},
        {"passing beside", {1.5f, -1000, 0}, false, 0, 0, 0},
    };
    for (const SphereCase& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned count = 0;
        Vector3 points[2];
        EXPECT_EQ(raySphere(unit, count, points, Ray{c.origin, up}), c.hit);
        ASSERT_EQ(count, c.count);
        if (count >= 1) expectPoint(points[0], c.origin.x, c.y0, 0);
        if (count == 2) expectPoint(points[1], c.origin.x, c.y1, 0);
    }
}

// clipSlab

TEST(ClipSlab, NarrowsOrRejectsByTheSignOfTheDenominator)
{
    struct Case {
        const char* name;
        float denominator, numerator;
        bool result;
        float tEnter, tExit;  // afterwards, starting from [1, 10]
    } cases[] = {
        {"parallel, on the boundary", 0, 0, true, 1, 10},
        {"parallel, outside", 0, 0.1f, false, 1, 10},
        {"parallel, inside", 0, -5, true, 1, 10},
        {"entering later", 2, 8, true, 4, 10},
        {"entering before tEnter", 2, 1, true, 1, 10},
        {"entering after tExit", 2, 30, false, 1, 10},
        {"leaving earlier", -2, -12, true, 1, 6},
        {"leaving after tExit", -2, -30, true, 1, 10},
        {"leaving before tEnter", -2, -1, false, 1, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        float tEnter = 1, tExit = 10;
        EXPECT_EQ(clipSlab(tExit, tEnter, c.denominator, c.numerator), c.result);
        EXPECT_EQ(tEnter, c.tEnter);
        EXPECT_EQ(tExit, c.tExit);
    }
}

// rayOrientedBox

rigidbody::BoxBody boxAt(const Vector3& position, const Matrix3& rotation)
{
    rigidbody::BoxBody box{};
    box.position = position;
    box.rotation = rotation;
    box.halfExtents = Vector3{1, 2, 3};
    return box;
}

const Matrix3 quarterTurnZ{{{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}};  // x axis -> y axis

TEST(RayOrientedBox, EntersAndLeavesThroughTheFacesAlongTheRay)
{
    struct Case {
        const char* name;
        Matrix3 rotation;
        Vector3 origin;
        unsigned count;
        Vector3 first, second;
    } cases[] = {
        {"unrotated", Matrix3::identity(), {5, -1000, 0}, 2, {5, -2, 0}, {5, 2, 0}},
        {"quarter turn about z", quarterTurnZ, {5, -1000, 0}, 2, {5, -1, 0}, {5, 1, 0}},
        {"from inside: the origin, then the exit", Matrix3::identity(), {5, 0.5f, 1}, 2, {5, 0.5f, 1}, {5, 2, 1}},
        {"along the +x face", Matrix3::identity(), {6, -1000, 0}, 2, {6, -2, 0}, {6, 2, 0}},
        {"along an edge", Matrix3::identity(), {6, -1000, 3}, 2, {6, -2, 3}, {6, 2, 3}},
        {"beside the box", Matrix3::identity(), {6.5f, -1000, 0}, 0, {}, {}},
        {"box behind the origin", Matrix3::identity(), {5, 10, 0}, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const rigidbody::BoxBody box = boxAt(Vector3{5, 0, 0}, c.rotation);
        unsigned count = 7;  // the test writes the count itself
        Vector3 points[2];
        EXPECT_EQ(rayOrientedBox(Ray{c.origin, up}, box, count, points), c.count != 0);
        ASSERT_EQ(count, c.count);
        if (count == 2) {
            expectPoint(points[0], c.first.x, c.first.y, c.first.z);
            expectPoint(points[1], c.second.x, c.second.y, c.second.z);
        }
    }
}

TEST(RayOrientedBox, ThroughACornerOfATurnedBoxTouchesAtOnePoint)
{
    // Turned about z so that the box's corner (-1, 2) lies at world (3, 1): the
    // ray along x = 3 enters and leaves there. The box-frame origin is the
    // transposed rotation times the offset, each component rounded once; summing
    // it as a dot product of floats splits the corner into two points.
    const Matrix3 turn{{{0.8f, -0.6f, 0}, {0.6f, 0.8f, 0}, {0, 0, 1}}};
    const rigidbody::BoxBody box = boxAt(Vector3{5, 0, 0}, turn);
    for (float z : {-2.0f, 0.0f, 1.5f}) {
        SCOPED_TRACE(z);
        unsigned count = 0;
        Vector3 points[2];
        ASSERT_TRUE(rayOrientedBox(Ray{Vector3{3, -10, z}, up}, box, count, points));
        ASSERT_EQ(count, 1u);
        expectPoint(points[0], 3, 1, z);
    }
}

TEST(RayOrientedBox, LeavingFromTheSurfaceGivesOnePoint)
{
    // Origin on the top face, going out: entry and exit coincide at the origin.
    const rigidbody::BoxBody box = boxAt(Vector3{5, 0, 0}, Matrix3::identity());
    unsigned count = 0;
    Vector3 points[2];
    ASSERT_TRUE(rayOrientedBox(Ray{Vector3{5, 2, 1}, up}, box, count, points));
    EXPECT_EQ(count, 1u);
    expectPoint(points[0], 5, 2, 1);
}

// rayBox

TEST(RayBox, VerticalRaysThroughAnAxisAlignedBox)
{
    const BoundingBox box{Vector3{-1, -2, -3}, Vector3{1, 2, 3}};
    struct Case {
        const char* name;
        Vector3 origin;
        bool hit;
        unsigned count;
        float y0, y1;
    } cases[] = {
        {"from below: bottom then top face", {0.5f, -10, 1}, true, 2, -2, 2},
        {"from inside: the exit", {0.5f, 0, 1}, true, 1, 2, 0},
        {"from the bottom face: the exit", {0.5f, -2, 1}, true, 1, 2, 0},
        {"beside the box (parallel check)", {-1.5f, -10, 0}, false, 0, 0, 0},
        {"along the -x face", {-1, -10, 0}, true, 2, -2, 2},
        {"along the +x face and the +z face", {1, -10, 3}, true, 2, -2, 2},
        {"above the box", {0.5f, 3, 1}, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned count = 0;
        Vector3 points[2];
        EXPECT_EQ(rayBox(box, Ray{c.origin, up}, count, points), c.hit);
        ASSERT_EQ(count, c.count);
        if (count >= 1) expectPoint(points[0], c.origin.x, c.y0, c.origin.z);
        if (count == 2) expectPoint(points[1], c.origin.x, c.y1, c.origin.z);
    }
}

// rayTriangle

TEST(RayTriangle, TwoSidedWithInclusiveEdges)
{
    const Vector3 a{0, 0, 0}, b{2, 0, 0}, c{0, 0, 2};  // in the plane y = 0
    struct Case {
        const char* name;
        Vector3 origin, direction;
        bool hit;
        float t;
    } cases[] = {
        {"inside, from below", {0.5f, -3, 0.5f}, up, true, 3},
        {"inside, from above", {0.5f, 3, 0.5f}, {0, -1, 0}, true, 3},
        {"through a vertex", {0, -1, 0}, up, true, 1},
        {"through the far vertex", {2, -1, 0}, up, true, 1},
        {"through the long edge", {1, -1, 1}, up, true, 1},
        {"beyond the long edge", {1.01f, -1, 1}, up, false, 0},
        {"behind the origin", {0.5f, 2, 0.5f}, up, true, -2},
        {"in the triangle's plane", {-1, 0, 0.5f}, {1, 0, 0}, false, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        float t = 99;
        Vector3 point{9, 9, 9};
        EXPECT_EQ(rayTriangle(Ray{k.origin, k.direction}, a, b, c, t, point), k.hit);
        if (k.hit) {
            EXPECT_FLOAT_EQ(t, k.t);
            EXPECT_NEAR(point.y, 0, 1e-6);
            // The other winding gives the same hit.
            float t2;
            Vector3 point2;
            EXPECT_TRUE(rayTriangle(Ray{k.origin, k.direction}, a, c, b, t2, point2));
            EXPECT_FLOAT_EQ(t2, k.t);
        }
    }
}

// rayMeshTree

// Horizontal triangles stacked at y = 0 .. count - 1 over the point x = z = 0.2,
// enough for a tree with inner nodes and several leaves.
MeshData stackedTriangles(int count)
{
    MeshData m;
    for (int i = 0; i < count; ++i) {
        const float y = float(i);
        m.addTriangle(Vector3{-1, y, -1}, Vector3{-1, y, 2}, Vector3{2, y, -1});
    }
    // Far triangles the ray misses, so that one subtree is pruned by its box.
    for (int i = 0; i < 12; ++i)
        m.addTriangle(Vector3{50, float(i), 0}, Vector3{51, float(i), 0}, Vector3{50, float(i), 1});
    return m;
}

std::unique_ptr<MeshTree> buildTree(MeshData& m)
{
    auto tree = std::make_unique<MeshTree>();
    tree->build(m.vertexCount(), m.vertices.data(), m.triangleCount(), m.indices.data());
    return tree;
}

TEST(RayMeshTree, KeepsTheFirstHitsInWalkOrderUpToTheMaximum)
{
    MeshData m = stackedTriangles(30);
    auto tree = buildTree(m);
    ASSERT_NE(tree->root->left, nullptr);

    // Walk order is the order of the tree's index copy (leaves left to right).
    std::vector<float> expectedY;
    for (int i = 0; i < tree->triangleCount; ++i) {
        const float y = m.vertex(tree->triangles[3 * i]).y;
        if (m.vertex(tree->triangles[3 * i]).x < 10) expectedY.push_back(y);
    }
    ASSERT_EQ(expectedY.size(), 30u);

    Vector3 hits[20];
    unsigned count = 0;
    EXPECT_TRUE(rayMeshTree(Ray{Vector3{0.2f, -5, 0.2f}, up}, *tree->root, tree->vertices, hits, count, 20));
    ASSERT_EQ(count, 20u);
    for (unsigned i = 0; i < count; ++i) {
        EXPECT_EQ(hits[i].y, expectedY[i]) << i;
        EXPECT_FLOAT_EQ(hits[i].x, 0.2f);
    }
}

TEST(RayMeshTree, DropsHitsBehindTheOriginAndMisses)
{
    MeshData m = stackedTriangles(30);
    auto tree = buildTree(m);
    Vector3 hits[40];

    unsigned count = 0;
    EXPECT_TRUE(rayMeshTree(Ray{Vector3{0.2f, 19.5f, 0.2f}, up}, *tree->root, tree->vertices, hits, count, 40));
    EXPECT_EQ(count, 10u);  // y = 20 .. 29
    for (unsigned i = 0; i < count; ++i) EXPECT_GT(hits[i].y, 19.5f);

    count = 0;
    EXPECT_FALSE(rayMeshTree(Ray{Vector3{0.2f, 30, 0.2f}, up}, *tree->root, tree->vertices, hits, count, 40));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(rayMeshTree(Ray{Vector3{20, -5, 0}, up}, *tree->root, tree->vertices, hits, count, 40));
    EXPECT_EQ(count, 0u);
}

TEST(RayMeshTree, FullHitsStillReportAHit)
{
    MeshData m = stackedTriangles(30);
    auto tree = buildTree(m);
    Vector3 hits[1];
    unsigned count = 1;  // already full
    EXPECT_TRUE(rayMeshTree(Ray{Vector3{0.2f, -5, 0.2f}, up}, *tree->root, tree->vertices, hits, count, 1));
    EXPECT_EQ(count, 1u);
}

TEST(RayMeshTree, ClosedMeshIsEnteredAndLeft)
{
    MeshData m = sphereMesh(25, 15, 2.0f, 0.1f);
    auto tree = buildTree(m);
    Vector3 hits[20];
    unsigned count = 0;
    EXPECT_TRUE(rayMeshTree(Ray{Vector3{0.3f, -10, 0.1f}, up}, *tree->root, tree->vertices, hits, count, 20));
    ASSERT_EQ(count, 2u);
    EXPECT_LT(hits[0].y * hits[1].y, 0.0f) << "one hit below the centre, one above";
}

TEST(RayMeshTree, EmptyMeshIsNeverHit)
{
    MeshTree tree;
    tree.build(0, nullptr, 0, nullptr);
    Vector3 hits[2];
    unsigned count = 0;
    EXPECT_FALSE(rayMeshTree(Ray{Vector3{0, -1, 0}, up}, *tree.root, tree.vertices, hits, count, 2));
    EXPECT_EQ(count, 0u);
}

}  // namespace
