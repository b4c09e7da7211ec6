// The culled mesh-mesh and box-mesh walks against the full walks: the same records,
// bit for bit, in the same order, over many random poses of realistic meshes.
#include "sim/rigidbody/SearchContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "Bodies.h"
#include "MeshScenes.h"
#include "Meshes.h"
#include "RandomRotation.h"
#include "sim/maths/Matrix4.h"
#include "sim/rigidbody/Collide.h"
#include "sim/rigidbody/TriangleContacts.h"

using namespace testing_support;

namespace {

// The sanitizer build runs every test several times slower: it tries a share of
// the poses and runs the scenes for a share of the time (long enough to land).
#ifdef MARROWFIELD_SANITIZED
constexpr int POSE_SHARE = 8;
constexpr int STEP_SHARE = 4;
#else
constexpr int POSE_SHARE = 1;
constexpr int STEP_SHARE = 1;
#endif

bool sameBits(const Vector3& a, const Vector3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

::testing::AssertionResult sameRecords(const ContactList& full, const ContactList& culled, const char* form)
{
    if (full.size() != culled.size())
        return ::testing::AssertionFailure() << full.size() << " contacts in the full walk, " << culled.size()
                                             << " in " << form;
    for (std::size_t i = 0; i < full.size(); ++i) {
        const Contact& f = full[i];
        const Contact& c = culled[i];
        if (f.bodyA != c.bodyA || f.bodyB != c.bodyB || !sameBits(f.point, c.point) ||
            !sameBits(f.normal, c.normal) || !sameBits(f.edgeA, c.edgeA) || !sameBits(f.edgeB, c.edgeB) ||
            f.vertexFace != c.vertexFace)
            return ::testing::AssertionFailure() << "record " << i << " of " << full.size() << " differs in " << form;
    }
    return ::testing::AssertionSuccess();
}

// The library's records, and those of its walk of mesh pairs by node pairs,
// against the full walk's, bit for bit; each form searches with one context
// kept from call to call, as a simulator's is.
class FullWalkComparison {
public:
    ::testing::AssertionResult operator()(RigidBody* first, RigidBody* second, std::size_t* count = nullptr)
    {
        ContactList full, culled, nodePairs;
        mFull.collide(first, second, &full);
        mLibrary.collide(first, second, &culled);
        if (count) *count = full.size();
        const ::testing::AssertionResult library = sameRecords(full, culled, "the library's");
        if (!library || first->shapeType != SHAPE_TRIANGLE_MESH || second->shapeType != SHAPE_TRIANGLE_MESH)
            return library;
        mNodePairs.collide(first, second, &nodePairs);
        return sameRecords(full, nodePairs, "the walk of node pairs");
    }

private:
    SearchContext mFull{SearchForms::plain()};
    SearchContext mLibrary;
    SearchContext mNodePairs{SearchForms::meshNodePairs()};
};

Vector3 randomDirection(std::mt19937& random)
{
    std::normal_distribution<double> normal;
    const double x = normal(random), y = normal(random), z = normal(random);
    const double length = std::sqrt(x * x + y * y + z * z);
    return Vector3{float(x / length), float(y / length), float(z / length)};
}

// Half the largest extent of a mesh about its origin.
float reachOf(const MeshData& mesh)
{
    float r = 0;
    for (int i = 0; i < mesh.vertexCount(); ++i) r = std::max(r, std::sqrt(squaredLength(mesh.vertex(i))));
    return r;
}

// Poses of two movable meshes, turned at random, their centres apart by a random
// multiple of the sum of their reaches: from deep inside each other through
// touching to well apart.
void compareMovingMeshes(const MeshData& a, const MeshData& b, int poses, unsigned seed)
{
    FullWalkComparison sameAsFullWalk;
    MeshStore meshes;
    TriangleMeshBody* first = meshes.body(a, Vector3{0, 0, 0}, true);
    TriangleMeshBody* second = meshes.body(b, Vector3{0, 0, 0}, true);
    const float reach = reachOf(a) + reachOf(b);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> apart(0.45f, 1.1f), far(1.1f, 4.0f), coin(0, 1);
    int touching = 0;
    for (int pose = 0; pose < poses / POSE_SHARE; ++pose) {
        first->rotation = randomRotation(random);
        second->rotation = randomRotation(random);
        first->position = randomDirection(random) * 0.3f;
        const float distance = reach * (coin(random) < 0.8f ? apart(random) : far(random));
        second->position = first->position + randomDirection(random) * distance;
        std::size_t count = 0;
        ASSERT_TRUE(sameAsFullWalk(first, second, &count)) << "pose " << pose;
        ASSERT_TRUE(sameAsFullWalk(second, first)) << "pose " << pose << ", bodies exchanged";
        touching += count > 0;
    }
    EXPECT_GT(touching, poses / POSE_SHARE / 4) << "too few poses in contact to show anything";
}

TEST(MeshCulling, ClosedMeshesOf700TrianglesInRandomPoses)
{
    compareMovingMeshes(lumpyMesh(25, 15, 0.3f), lumpyMesh(25, 15, 0.3f), 120, 1);
}

TEST(MeshCulling, ClosedMeshesOf360And700TrianglesInRandomPoses)
{
    compareMovingMeshes(lumpyMesh(18, 11, 0.5f), lumpyMesh(25, 15, 0.35f), 250, 2);
}

TEST(MeshCulling, RoughSpheresOf360TrianglesInRandomPoses)
{
    // Vertices pushed in and out at random: normals far less regular than a model's.
    compareMovingMeshes(sphereMesh(18, 11, 0.4f, 0.1f), sphereMesh(18, 11, 0.4f, 0.1f), 500, 3);
}

// A closed mesh carrying specks: triangles without area and triangles a
// thousandth of its size, scattered over its surface, whose planes are too
// uncertain to rule out much of anything.
MeshData speckledMesh(int slices, int stacks, float radius, unsigned seed)
{
    MeshData m = lumpyMesh(slices, stacks, radius);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> vertex(0, m.vertexCount() - 1);
    std::uniform_real_distribution<float> jitter(-1e-3f, 1e-3f);
    for (int i = 0; i < 40; ++i) {
        const Vector3 at = m.vertex(vertex(random)) * 1.01f;
        const Vector3 step{jitter(random), jitter(random), jitter(random)};
        if (i % 2 == 0)
            m.addTriangle(at, at + step, at + step * 2.0f);  // collinear: no area
        else
            m.addTriangle(at, at + step, at + Vector3{step.y, step.z, step.x});
    }
    return m;
}

TEST(MeshCulling, MeshesWithSpecksInRandomPoses)
{
    compareMovingMeshes(speckledMesh(18, 11, 0.5f, 7), speckledMesh(25, 15, 0.35f, 8), 250, 9);
}

// A closed mesh over the static terrain: resting on it, sunk into it, hovering
// near and far above it, anywhere over it.
void compareOverTerrain(const MeshData& model, int poses, unsigned seed)
{
    FullWalkComparison sameAsFullWalk;
    MeshStore meshes;
    TriangleMeshBody* terrain = meshes.body(terrainMesh(13, 50.0f), Vector3{0, 0, 0});
    TriangleMeshBody* mesh = meshes.body(model, Vector3{0, 0, 0}, true);
    const float reach = reachOf(model);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> across(-24, 24), height(-0.8f, 1.5f), coin(0, 1);
    int touching = 0;
    for (int pose = 0; pose < poses / POSE_SHARE; ++pose) {
        mesh->rotation = randomRotation(random);
        const float x = across(random), z = across(random);
        const float lift = coin(random) < 0.8f ? height(random) : 5 * height(random) + 3;
        mesh->position = Vector3{x, float(terrainHeight(x, z)) + reach * lift, z};
        std::size_t count = 0;
        ASSERT_TRUE(sameAsFullWalk(terrain, mesh, &count)) << "pose " << pose;
        ASSERT_TRUE(sameAsFullWalk(mesh, terrain)) << "pose " << pose << ", bodies exchanged";
        touching += count > 0;
    }
    EXPECT_GT(touching, poses / POSE_SHARE / 4) << "too few poses in contact to show anything";
}

TEST(MeshCulling, Mesh700TrianglesOverTheTerrain) { compareOverTerrain(lumpyMesh(25, 15, 0.75f), 200, 4); }

TEST(MeshCulling, Mesh360TrianglesOverTheTerrain) { compareOverTerrain(lumpyMesh(18, 11, 1.0f), 500, 5); }

TEST(MeshCulling, FlatPatchesNearlyInOnePlane)
{
    FullWalkComparison sameAsFullWalk;
    // Two floors of 128 triangles, side by side or overlapping, tilted against
    // each other by angles from 1e-6 to 1e-2 and a hair apart: the triangle test
    // reports crossings between nearly coplanar triangles well apart from each
    // other here, and the culled walk must keep every one.
    MeshStore meshes;
    TriangleMeshBody* lower = meshes.body(floorMesh(1.0f, 8), Vector3{0, 0, 0}, true);
    TriangleMeshBody* upper = meshes.body(floorMesh(1.0f, 8), Vector3{0, 0, 0}, true);
    std::mt19937 random(6);
    std::uniform_real_distribution<float> shift(-2.5f, 2.5f), exponent(-6, -2), lift(-1e-4f, 1e-4f), turn(-3, 3);
    int touching = 0;
    const int poses = 400 / POSE_SHARE;
    for (int pose = 0; pose < poses; ++pose) {
        const float tilt = std::pow(10.0f, exponent(random));
        const float yaw = turn(random);
        // Tilt about a horizontal axis at angle yaw.
        const float c = std::cos(yaw), s = std::sin(yaw), ct = std::cos(tilt), st = std::sin(tilt);
        upper->rotation = Matrix3{{{c * c + s * s * ct, -s * st, c * s * (1 - ct)},
                                   {s * st, ct, -c * st},
                                   {c * s * (1 - ct), c * st, s * s + c * c * ct}}};
        upper->position = Vector3{shift(random), lift(random), shift(random)};
        std::size_t count = 0;
        ASSERT_TRUE(sameAsFullWalk(lower, upper, &count)) << "pose " << pose;
        ASSERT_TRUE(sameAsFullWalk(upper, lower)) << "pose " << pose << ", bodies exchanged";
        touching += count > 0;
    }
    EXPECT_GT(touching, poses / 4);
}

TEST(MeshCulling, KeepsACrossingReportedForNearlyCoplanarTrianglesApart)
{
    FullWalkComparison sameAsFullWalk;
    // A thin triangle in the plane z = 1e-4 y and a large one in z = 0 whose
    // nearest vertex is 0.4 beside it: that vertex's plane value snaps to zero and
    // the test reports a crossing between triangles 0.1 apart, which a fixed
    // distance margin would lose. A hundred far triangles in each mesh make trees.
    MeshData thin, wide;
    const float t = 1e-4f;
    thin.addTriangle(Vector3{0, -0.01f, -0.01f * t}, Vector3{1, -0.01f, -0.01f * t}, Vector3{0.5f, 0.01f, 0.01f * t});
    wide.addTriangle(Vector3{0.5f, 0.4f, 0}, Vector3{10, -5, 0}, Vector3{10, 5, 0});
    for (int i = 0; i < 100; ++i) {
        const float x = 50.0f + float(i % 10), y = float(i / 10);
        thin.addTriangle(Vector3{x, y, 1}, Vector3{x + 0.5f, y, 1}, Vector3{x, y + 0.5f, 1.2f});
        wide.addTriangle(Vector3{-x, y, 1}, Vector3{-x - 0.5f, y, 1}, Vector3{-x, y + 0.5f, 1.2f});
    }
    MeshStore meshes;
    TriangleMeshBody* a = meshes.body(std::move(thin), Vector3{0, 0, 0});
    TriangleMeshBody* b = meshes.body(std::move(wide), Vector3{0, 0, 0});
    std::size_t count = 0;
    EXPECT_TRUE(sameAsFullWalk(a, b, &count));
    EXPECT_EQ(count, 1u) << "the full walk's contact between triangles 0.1 apart";
    EXPECT_TRUE(sameAsFullWalk(b, a));
}

// A box of random size and turn near the surface of a closed mesh.
TEST(MeshCulling, BoxesAgainstAClosedMeshInRandomPoses)
{
    FullWalkComparison sameAsFullWalk;
    MeshStore meshes;
    BodyStore bodies;
    const MeshData model = lumpyMesh(25, 15, 0.5f);
    TriangleMeshBody* mesh = meshes.body(model, Vector3{0, 0, 0}, true);
    const float reach = reachOf(model);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> size(0.05f, 1.2f), apart(0.0f, 1.6f);
    int touching = 0;
    const int poses = 2000 / POSE_SHARE;
    for (int pose = 0; pose < poses; ++pose) {
        mesh->rotation = randomRotation(random);
        BoxBody* box = bodies.box(randomDirection(random) * (reach * apart(random)),
                                  Vector3{size(random), size(random), size(random)}, 1, randomRotation(random));
        std::size_t count = 0;
        ASSERT_TRUE(sameAsFullWalk(box, mesh, &count)) << "pose " << pose;
        ASSERT_TRUE(sameAsFullWalk(mesh, box)) << "pose " << pose << ", bodies exchanged";
        touching += count > 0;
    }
    EXPECT_GT(touching, poses / 4);
}

TEST(MeshCulling, BoxesOnTheTerrain)
{
    FullWalkComparison sameAsFullWalk;
    MeshStore meshes;
    BodyStore bodies;
    TriangleMeshBody* terrain = meshes.body(terrainMesh(13, 50.0f), Vector3{0, 0, 0});
    std::mt19937 random(8);
    std::uniform_real_distribution<float> across(-24, 24), size(0.2f, 3.0f), lift(-1.0f, 2.0f);
    int touching = 0;
    const int poses = 2000 / POSE_SHARE;
    for (int pose = 0; pose < poses; ++pose) {
        const float x = across(random), z = across(random);
        BoxBody* box = bodies.box(Vector3{x, float(terrainHeight(x, z)) + lift(random), z},
                                  Vector3{size(random), size(random), size(random)}, 1, randomRotation(random));
        std::size_t count = 0;
        ASSERT_TRUE(sameAsFullWalk(box, terrain, &count)) << "pose " << pose;
        touching += count > 0;
    }
    EXPECT_GT(touching, poses / 4);
}

// The sphere and plane walks answer most node tests from exact geometry; the
// answers must be the tests' own, also where a sphere or plane grazes a node box.

// Every node of the tree, depth first.
void eachNode(const MeshTreeNode* node, const std::function<void(const MeshTreeNode*)>& visit)
{
    visit(node);
    if (node->left) {
        eachNode(node->left, visit);
        eachNode(node->right, visit);
    }
}

TEST(MeshWalkNodeTests, SpheresAroundAClosedMesh)
{
    FullWalkComparison sameAsFullWalk;
    MeshStore meshes;
    BodyStore bodies;
    const MeshData model = lumpyMesh(25, 15, 0.6f);
    TriangleMeshBody* mesh = meshes.body(model, Vector3{0.3f, -0.2f, 0.1f}, true);
    const float reach = reachOf(model);
    std::mt19937 random(9);
    std::uniform_real_distribution<float> radius(0.02f, 0.8f), apart(0.0f, 1.8f);
    int touching = 0;
    const int poses = 3000 / POSE_SHARE;
    for (int pose = 0; pose < poses; ++pose) {
        mesh->rotation = randomRotation(random);
        SphereBody* sphere = bodies.sphere(mesh->position + randomDirection(random) * (reach * apart(random)),
                                           radius(random));
        std::size_t count = 0;
        ASSERT_TRUE(sameAsFullWalk(mesh, sphere, &count)) << "pose " << pose;
        touching += count > 0;
    }
    EXPECT_GT(touching, poses / 4);
}

TEST(MeshWalkNodeTests, SpheresGrazingNodeBoxesAndPlanesThroughNodeCorners)
{
    FullWalkComparison sameAsFullWalk;
    MeshStore meshes;
    BodyStore bodies;
    TriangleMeshBody* mesh = meshes.body(lumpyMesh(18, 11, 0.8f), Vector3{1.5f, 2.0f, -0.7f}, true);
    std::mt19937 random(10);
    std::uniform_real_distribution<float> radius(0.01f, 0.5f), along(-1, 1);
    for (int turn = 0; turn < 20 / POSE_SHARE + 1; ++turn) {
        mesh->rotation = randomRotation(random);
        const Matrix4 m = Matrix4::makeTranslation(mesh->position) * Matrix4::fromRotation(mesh->rotation);
        eachNode(mesh->meshTree->root, [&](const MeshTreeNode* node) {
            const BoundingBox& b = node->bounds;
            const Vector3 centre = Matrix4::transformAffine(m, Vector3((b.max - b.min) * 0.5f + b.min));
            const Vector3 h = b.halfExtents();
            // On the box's local x face, at distance r beyond it.
            const float r = radius(random);
            const Vector3 axis{mesh->rotation[0][0], mesh->rotation[1][0], mesh->rotation[2][0]};
            SphereBody* sphere = bodies.sphere(centre + axis * (h.x + r), r);
            ASSERT_TRUE(sameAsFullWalk(mesh, sphere)) << "node " << node->index;
            // Through a corner of the node's box in world space.
            const Vector3 corner = Matrix4::transformAffine(m, b.min);
            Vector3 normal{along(random), along(random), along(random)};
            normalise(normal);
            PlaneBody* plane = bodies.plane(normal, -dotProduct(normal, corner));
            ASSERT_TRUE(sameAsFullWalk(mesh, plane)) << "node " << node->index;
            ASSERT_TRUE(sameAsFullWalk(plane, mesh)) << "node " << node->index;
        });
    }
}

TEST(MeshWalkNodeTests, PlanesThroughAClosedMesh)
{
    FullWalkComparison sameAsFullWalk;
    MeshStore meshes;
    BodyStore bodies;
    const MeshData model = lumpyMesh(25, 15, 0.6f);
    TriangleMeshBody* mesh = meshes.body(model, Vector3{-0.4f, 0.9f, 0.2f}, true);
    const float reach = reachOf(model);
    std::mt19937 random(11);
    std::uniform_real_distribution<float> offset(-1.3f, 1.3f);
    int touching = 0;
    const int poses = 2000 / POSE_SHARE;
    for (int pose = 0; pose < poses; ++pose) {
        mesh->rotation = randomRotation(random);
        const Vector3 normal = randomDirection(random);
        PlaneBody* plane = bodies.plane(normal, -dotProduct(normal, mesh->position) + reach * offset(random));
        std::size_t count = 0;
        ASSERT_TRUE(sameAsFullWalk(mesh, plane, &count)) << "pose " << pose;
        touching += count > 0;
    }
    EXPECT_GT(touching, poses / 4);
}

// Whole scenes stepped twice in lockstep, with the plain forms (every pair, the
// full walks) and with the library's: every body's state and every contact list
// the same, bit for bit, at every step.

bool sameState(const RigidBody* a, const RigidBody* b)
{
    // position, rotation, linear and angular momentum: the integrated state.
    return std::memcmp(&a->position, &b->position, sizeof(float) * 18) == 0 &&
           std::memcmp(&a->velocity, &b->velocity, sizeof a->velocity) == 0 &&
           std::memcmp(&a->angularVelocity, &b->angularVelocity, sizeof a->angularVelocity) == 0;
}

::testing::AssertionResult sameStep(const Simulator<ODERungeKutta>& full, const Simulator<ODERungeKutta>& culled)
{
    if (full.mContacts.size() != culled.mContacts.size())
        return ::testing::AssertionFailure() << full.mContacts.size() << " contacts with the full walks, "
                                             << culled.mContacts.size() << " with the culled ones";
    for (std::size_t i = 0; i < full.mContacts.size(); ++i) {
        const Contact& f = full.mContacts[i];
        const Contact& c = culled.mContacts[i];
        // Body pointers differ between the scenes; their places in the lists must not.
        auto index = [](const Simulator<ODERungeKutta>& sim, const RigidBody* b) {
            return std::find(sim.mBodies.begin(), sim.mBodies.end(), b) - sim.mBodies.begin();
        };
        if (index(full, f.bodyA) != index(culled, c.bodyA) || index(full, f.bodyB) != index(culled, c.bodyB) ||
            !sameBits(f.point, c.point) || !sameBits(f.normal, c.normal))
            return ::testing::AssertionFailure() << "contact " << i << " differs";
    }
    for (std::size_t i = 0; i < full.mBodies.size(); ++i)
        if (!sameState(full.mBodies[i], culled.mBodies[i]))
            return ::testing::AssertionFailure() << "body " << i << " differs";
    return ::testing::AssertionSuccess();
}

template <class Scene, class Step>
void compareTrajectories(Scene& full, Scene& culled, int steps, Step step)
{
    int touchingSteps = 0;
    full.sim.searchContext().setForms(SearchForms::plain());
    for (int i = 0; i < steps / STEP_SHARE; ++i) {
        step(full);
        step(culled);
        ASSERT_TRUE(sameStep(full.sim, culled.sim)) << "step " << i;
        touchingSteps += !full.sim.mContacts.empty();
    }
    EXPECT_GT(touchingSteps, steps / STEP_SHARE / 2) << "the bodies should spend most steps in contact";
}

TEST(MeshCullingTrajectory, TumbleOfTwoMeshesSpheresAndABoxInTheEnclosure)
{
    // 20 s at 1/120 s: the meshes and bodies fall, tumble and come to rest.
    const MeshData model = lumpyMesh(15, 7, 0.3f);
    TumbleScene full(model), culled(model);
    compareTrajectories(full, culled, 2400, [](TumbleScene& s) { s.step(TumbleScene::STEP); });
}

TEST(MeshCullingTrajectory, TwoLargeMeshesDroppedOnEachOtherInTheEnclosure)
{
    // 20 s at 1/60 s of two meshes nearly as wide as the enclosure, often touching.
    const MeshData model = lumpyMesh(15, 7, 1.0f);
    StackScene full(model), culled(model);
    compareTrajectories(full, culled, 1200, [](StackScene& s) { s.step(StackScene::STEP); });
}

TEST(MeshCullingTrajectory, MeshAndSpheresDroppedOnTheTerrain)
{
    // 20 s at 1/60 s: the mesh lands among the spheres on the terrain and rolls
    // down into the basin.
    const MeshData model = lumpyMesh(15, 7, 0.75f);
    LakeScene full(model, false), culled(model, false);
    compareTrajectories(full, culled, 1200, [](LakeScene& s) { s.subStep(); });
}

}  // namespace
