#include "sim/rigidbody/MeshTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Bodies.h"
#include "Meshes.h"
#include "PlainMeshTree.h"
#include "sim/rigidbody/Contact.h"

using namespace testing_support;

namespace {

// A small triangle around (x, y, z).
void addTriangleAt(MeshData& m, float x, float y, float z)
{
    m.addTriangle(Vector3{x, y, z}, Vector3{x + 0.1f, y, z}, Vector3{x, y + 0.1f, z + 0.1f});
}

std::unique_ptr<MeshTree> buildTree(MeshData& m)
{
    auto tree = std::make_unique<MeshTree>();
    tree->build(m.vertexCount(), m.vertices.data(), m.triangleCount(), m.indices.data());
    return tree;
}

std::vector<const MeshTreeNode*> leaves(const MeshTreeNode* node)
{
    if (!node->left) return {node};
    std::vector<const MeshTreeNode*> l = leaves(node->left), r = leaves(node->right);
    l.insert(l.end(), r.begin(), r.end());
    return l;
}

float centroid(const MeshData& m, const std::uint16_t* tri, int axis)
{
    return (m.vertex(tri[0])[axis] + m.vertex(tri[1])[axis] + m.vertex(tri[2])[axis]) / 3.0f;
}

TEST(MeshTree, NineTrianglesMakeOneLeafAndTenAreSplit)
{
    for (int count : {9, 10}) {
        SCOPED_TRACE(count);
        MeshData m;
        for (int i = 0; i < count; ++i) addTriangleAt(m, float(10 * i), 0, 0);
        auto tree = buildTree(m);
        EXPECT_EQ(tree->root->triangleCount, unsigned(count));
        if (count < 10) {
            EXPECT_EQ(tree->root->left, nullptr);
            EXPECT_EQ(tree->root->right, nullptr);
        } else {
            ASSERT_NE(tree->root->left, nullptr);
            EXPECT_EQ(tree->root->left->triangleCount, 5u);
        }
    }
}

TEST(MeshTree, TrianglesWithOneCentroidStayInOneLeaf)
{
    MeshData m;
    for (int i = 0; i < 12; ++i) addTriangleAt(m, 1, 2, 3);
    auto tree = buildTree(m);
    EXPECT_EQ(tree->root->left, nullptr);
    EXPECT_EQ(tree->root->triangleCount, 12u);
}

TEST(MeshTree, TwoFarClustersSplitOnXWithTheLowerClusterLeft)
{
    MeshData m;
    // Interleaved, so the split has to reorder; spread unevenly in y, so only x
    // halves the node.
    for (int i = 0; i < 9; ++i) {
        addTriangleAt(m, 100.0f, float(i), 0.0f);
        addTriangleAt(m, -100.0f, float(3 * i) + 0.5f, 0.0f);
    }
    auto tree = buildTree(m);
    const MeshTreeNode* root = tree->root;
    ASSERT_NE(root->left, nullptr);
    ASSERT_NE(root->right, nullptr);
    EXPECT_EQ(root->left->triangleCount, 9u);
    EXPECT_EQ(root->right->triangleCount, 9u);
    EXPECT_EQ(root->left->left, nullptr);
    EXPECT_EQ(root->right->left, nullptr);
    EXPECT_EQ(root->left->triangles, root->triangles);
    EXPECT_EQ(root->right->triangles, root->triangles + 27);
    EXPECT_FLOAT_EQ(root->left->bounds.max.x, -99.9f);
    EXPECT_FLOAT_EQ(root->right->bounds.min.x, 100.0f);
    EXPECT_FLOAT_EQ(root->bounds.min.x, -100.0f);
    EXPECT_FLOAT_EQ(root->bounds.max.x, 100.1f);
}

TEST(MeshTree, SplitsOnTheAxisWhoseMeanHalvesTheNodeBest)
{
    // x: eleven centroids at 0 and one far out (mean split 11 : 1);
    // y: evenly spread (6 : 6); z: constant (0 : 12). y must win.
    MeshData m;
    for (int i = 0; i < 12; ++i) addTriangleAt(m, i == 5 ? 1000.0f : 0.0f, float(i), 0.0f);
    auto tree = buildTree(m);
    const MeshTreeNode* root = tree->root;
    ASSERT_NE(root->left, nullptr);
    ASSERT_EQ(root->left->triangleCount, 6u);
    for (unsigned t = 0; t < 6; ++t) EXPECT_LT(centroid(m, root->left->triangles + 3 * t, 1), 5.6f);
    for (unsigned t = 0; t < 6; ++t) EXPECT_GT(centroid(m, root->right->triangles + 3 * t, 1), 5.6f);
}

TEST(MeshTree, EqualSplitsGoToTheLowerAxis)
{
    // Twelve triangles in two groups of six along two axes at once (a different
    // six on each), all alike on the third: both axes halve the node equally.
    struct Case {
        const char* name;
        int first, second;  // the two halving axes; the lower one must win
    } cases[] = {{"x and y", 0, 1}, {"y and z", 1, 2}, {"x and z", 0, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MeshData m;
        for (int i = 0; i < 12; ++i) {
            float at[3] = {0, 0, 0};
            at[c.first] = i < 6 ? 0.0f : 10.0f;
            at[c.second] = i % 2 ? 10.0f : 0.0f;
            addTriangleAt(m, at[0], at[1], at[2]);
        }
        auto tree = buildTree(m);
        const MeshTreeNode* root = tree->root;
        ASSERT_NE(root->left, nullptr);
        ASSERT_EQ(root->left->triangleCount, 6u);
        for (unsigned t = 0; t < 6; ++t) {
            EXPECT_LT(centroid(m, root->left->triangles + 3 * t, c.first), 5.0f);
            EXPECT_GT(centroid(m, root->right->triangles + 3 * t, c.first), 5.0f);
        }
    }
}

TEST(MeshTree, PartitionMovesTrianglesBelowTheMeanToTheFront)
{
    MeshData m;
    for (float x : {5.0f, 1.0f, 3.0f, 0.0f, 3.0f}) addTriangleAt(m, x, 0, 0);  // mean 2.8 + 0.0333
    MeshTree tree;
    MeshTreeNode node{5, m.indices.data(), BoundingBox{}, nullptr, nullptr};
    EXPECT_EQ(tree.partition(0, m.vertices.data(), &node), 2u);
    EXPECT_LT(centroid(m, node.triangles, 0), 2.0f);
    EXPECT_LT(centroid(m, node.triangles + 3, 0), 2.0f);

    // A centroid exactly at the mean (3 of 0, 3, 6) stays behind.
    MeshData exact;
    for (float x : {6.0f, 3.0f, 0.0f}) exact.addTriangle(Vector3{x, 0, 0}, Vector3{x, 1, 0}, Vector3{x, 0, 1});
    MeshTreeNode exactNode{3, exact.indices.data(), BoundingBox{}, nullptr, nullptr};
    EXPECT_EQ(tree.partition(0, exact.vertices.data(), &exactNode), 1u);
    EXPECT_EQ(exact.vertex(exactNode.triangles[0]).x, 0.0f);
}

TEST(MeshTree, ClosedMeshTreeCoversEveryTriangleOnceWithTightBounds)
{
    MeshData m = sphereMesh(25, 15, 2.0f, 0.1f);
    const std::vector<std::uint16_t> original = m.indices;
    auto tree = buildTree(m);

    EXPECT_EQ(m.indices, original) << "the caller's index array must stay unchanged";
    EXPECT_NE(tree->triangles, m.indices.data());
    EXPECT_EQ(tree->vertices, m.vertices.data());
    EXPECT_EQ(tree->triangleCount, 700);

    // Leaves read left to right cover the tree's index copy in order.
    const std::uint16_t* next = tree->triangles;
    for (const MeshTreeNode* leaf : leaves(tree->root)) {
        EXPECT_EQ(leaf->triangles, next);
        EXPECT_LT(leaf->triangleCount, 10u);
        next += 3 * leaf->triangleCount;
    }
    EXPECT_EQ(next, tree->triangles + 3 * 700);

    // The copy holds the same triangles (each with its own index order).
    auto sortedTriangles = [](const std::uint16_t* idx, int n) {
        std::vector<std::array<std::uint16_t, 3>> t(n);
        for (int i = 0; i < n; ++i) t[i] = {idx[3 * i], idx[3 * i + 1], idx[3 * i + 2]};
        std::sort(t.begin(), t.end());
        return t;
    };
    EXPECT_EQ(sortedTriangles(tree->triangles, 700), sortedTriangles(original.data(), 700));

    // Every node's bounds are exactly the box of its triangles' vertices.
    std::function<void(const MeshTreeNode*)> check = [&](const MeshTreeNode* node) {
        BoundingBox box{m.vertex(node->triangles[0]), m.vertex(node->triangles[0])};
        for (unsigned i = 0; i < 3 * node->triangleCount; ++i) {
            const Vector3 v = m.vertex(node->triangles[i]);
            for (int a = 0; a < 3; ++a) {
                box.min[a] = std::min(box.min[a], v[a]);
                box.max[a] = std::max(box.max[a], v[a]);
            }
        }
        for (int a = 0; a < 3; ++a) {
            EXPECT_EQ(node->bounds.min[a], box.min[a]);
            EXPECT_EQ(node->bounds.max[a], box.max[a]);
        }
        if (node->left) {
            ASSERT_NE(node->right, nullptr);
            EXPECT_EQ(node->left->triangleCount + node->right->triangleCount, node->triangleCount);
            check(node->left);
            check(node->right);
        }
    };
    check(tree->root);
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(tree->bounds.min[a], tree->root->bounds.min[a]);
        EXPECT_EQ(tree->bounds.max[a], tree->root->bounds.max[a]);
    }
}

TEST(MeshTree, EmptyMeshHasAnEmptyBoxAtTheOrigin)
{
    MeshTree tree;
    float vertices[3] = {5, 6, 7};
    tree.build(1, vertices, 0, nullptr);
    ASSERT_NE(tree.root, nullptr);
    EXPECT_EQ(tree.root->triangleCount, 0u);
    EXPECT_EQ(tree.root->left, nullptr);
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(tree.bounds.min[a], 0.0f);
        EXPECT_EQ(tree.bounds.max[a], 0.0f);
    }
}

TEST(MeshTree, RefusesMeshesThatReachOutsideTheirArrays)
{
    float vertices[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    std::uint16_t inRange[6] = {0, 1, 2, 2, 1, 0};
    std::uint16_t pastTheEnd[6] = {0, 1, 2, 2, 3, 0};
    struct Case {
        const char* name;
        int vertexCount;
        float* vertices;
        int triangleCount;
        std::uint16_t* triangles;
    } cases[] = {
        {"index past the last vertex", 3, vertices, 2, pastTheEnd},
        {"vertex count too small for the indices", 2, vertices, 2, inRange},
        {"negative triangle count", 3, vertices, -1, inRange},
        {"no index array", 3, vertices, 2, nullptr},
        {"no vertex array", 3, nullptr, 2, inRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MeshTree tree;
        EXPECT_THROW(tree.build(c.vertexCount, c.vertices, c.triangleCount, c.triangles), std::invalid_argument);
        EXPECT_EQ(tree.root, nullptr);

        TriangleMeshBody body{};
        EXPECT_THROW(initTriangleMesh(&body, 1.0f, c.vertexCount, c.vertices, c.triangleCount, c.triangles, true),
                     std::invalid_argument);
        EXPECT_EQ(body.meshTree, nullptr);
        EXPECT_EQ(body.mass, 0.0f);
    }
    MeshTree tree;
    tree.build(3, vertices, 2, inRange);
    EXPECT_EQ(tree.root->triangleCount, 2u);
}

// 16-bit indices reach 65536 vertices at most: a count far above what the
// indices use must not size anything, nor make anything read past the array.
TEST(MeshTree, VertexCountBeyondTheIndicesReachIsNotWalkedOrKept)
{
    MeshData closed = sphereMesh(8, 6, 0.5f);
    TriangleMeshBody honest{}, inflated{};
    initTriangleMesh(&honest, 1.0f, closed.vertexCount(), closed.vertices.data(), closed.triangleCount(),
                     closed.indices.data(), true);
    initTriangleMesh(&inflated, 1.0f, std::numeric_limits<int>::max(), closed.vertices.data(),
                     closed.triangleCount(), closed.indices.data(), true);
    const std::unique_ptr<MeshTree> honestTree(honest.meshTree), inflatedTree(inflated.meshTree);
    EXPECT_EQ(inflated.meshTree->vertexCount, std::numeric_limits<int>::max());

    BodyStore store;
    MeshData other = sphereMesh(6, 5, 0.4f);
    TriangleMeshBody otherMesh{};
    initTriangleMesh(&otherMesh, 1.0f, other.vertexCount(), other.vertices.data(), other.triangleCount(),
                     other.indices.data(), true);
    const std::unique_ptr<MeshTree> otherTree(otherMesh.meshTree);
    setAtRest(&otherMesh, Vector3{0.3f, 0.5f, 0.1f});
    RigidBody* partners[] = {store.sphere(Vector3{0.2f, 0.3f, 0}, 0.3f),
                             store.box(Vector3{0, -0.4f, 0.1f}, Vector3{0.5f, 0.5f, 0.5f}),
                             store.plane(Vector3{0, 1, 0}, 0.3f), &otherMesh};
    for (TriangleMeshBody* mesh : {&honest, &inflated}) setAtRest(mesh, Vector3::zero(), Matrix3::makeRotationX(0.3f));
    for (RigidBody* partner : partners) {
        SCOPED_TRACE(partner->shapeType);
        ContactList expected, got;
        collisionFunction(&honest, partner)(&honest, partner, &expected);
        collisionFunction(&inflated, partner)(&inflated, partner, &got);
        EXPECT_FALSE(expected.empty());
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].point.x, expected[i].point.x);
            EXPECT_EQ(got[i].point.y, expected[i].point.y);
            EXPECT_EQ(got[i].point.z, expected[i].point.z);
            EXPECT_EQ(got[i].normal.y, expected[i].normal.y);
        }
    }
}

// initTriangleMesh, movable and static.

MeshData boxOfSize(float sx, float sy, float sz) { return boxMesh(Vector3{sx / 2, sy / 2, sz / 2}); }

TEST(InitTriangleMesh, MovableMeshGetsTheInertiaOfItsBoundingBox)
{
    MeshData m = boxOfSize(2, 4, 6);
    TriangleMeshBody body;
    body.position = Vector3{1, 2, 3};
    initTriangleMesh(&body, 12.0f, m.vertexCount(), m.vertices.data(), m.triangleCount(), m.indices.data(), true);
    std::unique_ptr<MeshTree> owned(body.meshTree);

    EXPECT_EQ(body.shapeType, SHAPE_TRIANGLE_MESH);
    EXPECT_EQ(body.mass, 12.0f);
    EXPECT_EQ(body.inverseMass, 1.0f / 12.0f);
    const float expected[3][3] = {{52, 0, 0}, {0, 40, 0}, {0, 0, 20}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(body.inertia[r][c], expected[r][c]) << r << c;
    EXPECT_FLOAT_EQ(body.inverseInertia[0][0], 1.0f / 52);
    EXPECT_FLOAT_EQ(body.inverseInertia[1][1], 1.0f / 40);
    EXPECT_FLOAT_EQ(body.inverseInertia[2][2], 1.0f / 20);
    EXPECT_EQ(body.inverseInertia[0][1], 0.0f);
    EXPECT_EQ(body.position.x, 1.0f) << "the pose is the caller's";
    ASSERT_NE(body.meshTree, nullptr);
    EXPECT_EQ(body.meshTree->triangleCount, 12);
    EXPECT_EQ(body.meshTree->vertexCount, 24);
}

TEST(InitTriangleMesh, StaticMeshKeepsItsMassButHasNoInverseMassOrInertia)
{
    MeshData m = boxOfSize(2, 4, 6);
    TriangleMeshBody body;
    initTriangleMesh(&body, 12.0f, m.vertexCount(), m.vertices.data(), m.triangleCount(), m.indices.data(), false);
    std::unique_ptr<MeshTree> owned(body.meshTree);

    EXPECT_EQ(body.shapeType, SHAPE_TRIANGLE_MESH);
    EXPECT_EQ(body.mass, 12.0f);
    EXPECT_EQ(body.inverseMass, 0.0f);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(body.inertia[r][c], 0.0f);
            EXPECT_EQ(body.inverseInertia[r][c], 0.0f);
        }
}

}  // namespace

// The build against the plain node-by-node splitting it replaced
// (PlainMeshTree.h): the same nodes, bounds to the bit and triangle order.


namespace {

// The first difference between two subtrees, or "".
std::string treeDifference(const MeshTreeNode* a, const std::uint16_t* baseA, const MeshTreeNode* b,
                           const std::uint16_t* baseB, const std::string& at = "root")
{
    if (a->triangleCount != b->triangleCount) return at + ": triangle counts differ";
    if (a->triangles - baseA != b->triangles - baseB) return at + ": first triangles differ";
    if (std::memcmp(&a->bounds, &b->bounds, sizeof(BoundingBox)) != 0) return at + ": bounds differ";
    if (!a->left != !b->left || !a->right != !b->right) return at + ": one is a leaf";
    if (!a->left) return "";
    const std::string left = treeDifference(a->left, baseA, b->left, baseB, at + " left");
    return left.empty() ? treeDifference(a->right, baseA, b->right, baseB, at + " right") : left;
}

// Triangles of random corners among few vertices in a cube: many share corners,
// some have none of their own area.
MeshData soup(int triangles, int vertices, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> coordinate(-5.0f, 5.0f);
    MeshData m;
    for (int v = 0; v < vertices; ++v) m.addVertex(Vector3{coordinate(random), coordinate(random), coordinate(random)});
    for (int t = 0; t < triangles; ++t)
        m.addTriangle(int(random() % vertices), int(random() % vertices), int(random() % vertices));
    return m;
}

TEST(MeshTree, BuildsTheTreeOfNodeByNodeSplitting)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<std::pair<std::string, MeshData>> meshes;
    for (int count = 0; count <= 12; ++count) meshes.emplace_back("soup of " + std::to_string(count), soup(count, 7, 5));
    meshes.emplace_back("soup", soup(6000, 900, 11));
    meshes.emplace_back("floor", floorMesh(25.0f, 31));
    meshes.emplace_back("terrain of 130050", terrainMesh(256, 50.0f));
    meshes.emplace_back("bumpy sphere", sphereMesh(60, 40, 1.0f, 0.1f));
    meshes.emplace_back("lumps", lumpyMesh(30, 20, 2.0f));
    meshes.emplace_back("stacked floors", stackedFloors(40));
    {
        // Copies of one triangle among others: nodes no axis splits.
        MeshData m = soup(60, 40, 3);
        for (int i = 0; i < 400; ++i) m.addTriangle(1, 2, 3);
        meshes.emplace_back("repeated triangles", m);
    }
    {
        // Centroids growing geometrically: each split takes off a few triangles, a deep tree.
        MeshData m;
        for (int i = 0; i < 120; ++i) addTriangleAt(m, std::pow(1.6f, float(i % 60)) * (i < 60 ? 1.0f : -1.0f), 0, 0);
        meshes.emplace_back("geometric centroids", m);
    }
    {
        // Zeros of both signs, infinities and values that are not numbers, which
        // the bounds keep or skip by the order of the vertices.
        MeshData m = floorMesh(1.0f, 6);
        const float odd[] = {-0.0f, 0.0f, nan, inf, -inf, -0.0f};
        for (std::size_t i = 0; i < m.vertices.size(); i += 7) m.vertices[i] = odd[(i / 7) % 6];
        meshes.emplace_back("signed zeros and not numbers", m);
    }
    for (auto& [name, m] : meshes) {
        SCOPED_TRACE(name);
        const testing_support::PlainTreeNodes plain(m.indices, m.vertices.data());
        auto tree = buildTree(m);
        EXPECT_EQ(std::vector<std::uint16_t>(tree->triangles, tree->triangles + m.indices.size()), plain.triangles);
        EXPECT_EQ(treeDifference(tree->root, tree->triangles, plain.root, plain.triangles.data()), "");
    }
}

}  // namespace
