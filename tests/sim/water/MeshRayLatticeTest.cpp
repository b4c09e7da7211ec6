// The coupling's lattice of rays through a mesh against the tree walk it stands
// for: for every ray of many poses, the same hits, bit for bit, in the same order,
// cut at the same maximum.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "Meshes.h"
#include "RandomRotation.h"
#include "WaterChecks.h"
#include "sim/maths/Matrix4.h"
#include "sim/water/MeshRayLattice.h"
#include "sim/water/RayTests.h"

using physics::Matrix3;
using physics::Matrix4;
using physics::Ray;
using physics::Vector3;
using physics::water::MeshRayLattice;
using testing_support::MeshData;
using testing_support::MeshStore;

namespace {

constexpr float size = 50.0f;  // the programs' domain
constexpr float startHeight = -1000.0f;

float rayCoordinate(int i) { return float(i / 257.0 * size - size / 2.0); }

bool sameBits(const Vector3& a, const Vector3& b) { return std::memcmp(&a, &b, sizeof(Vector3)) == 0; }

// Triangles of every awkward kind: repeated, without area, needles, and some
// standing upright (parallel to an upright ray).
MeshData awkward()
{
    MeshData m = testing_support::boxMesh(Vector3{0.6f, 0.3f, 0.4f});
    for (int i = 0; i < 12; ++i) m.addTriangle(Vector3{0, 0.1f, 0}, Vector3{0.5f, 0.1f, 0}, Vector3{0, 0.1f, 0.5f});
    m.addTriangle(Vector3{0.2f, 0, 0.2f}, Vector3{0.2f, 0, 0.2f}, Vector3{0.2f, 0, 0.2f});
    m.addTriangle(Vector3{-1, 0, 0}, Vector3{1, 0, 0}, Vector3{0, 0, 0});
    m.addTriangle(Vector3{-1, -0.2f, 0.05f}, Vector3{1, 0.2f, 0.05f}, Vector3{1, 0.2f, 0.0500001f});
    m.addTriangle(Vector3{0, -0.5f, 0}, Vector3{0, 0.5f, 0}, Vector3{0.3f, 0, 0});
    return m;
}

struct Tally {
    int poses = 0, rays = 0, hitRays = 0, fullRays = 0;
};

// Every ray through the body's bounds (and a ring of rays around them) cast both
// ways with the maximum given.
void compareRays(const physics::rigidbody::TriangleMeshBody& body, unsigned maximum, MeshRayLattice& lattice,
                 Tally& tally)
{
    const physics::rigidbody::MeshTree& tree = *body.meshTree;
    const Matrix4 toWorld = Matrix4::makeTranslation(body.position) * Matrix4::fromRotation(body.rotation);
    const Matrix4 toBody = Matrix4::inverse(toWorld);
    Vector3 up = Matrix3::transpose(body.rotation) * Vector3{0.0f, 1.0f, 0.0f};
    physics::normalise(up);

    double lo[2] = {1e30, 1e30}, hi[2] = {-1e30, -1e30};
    for (int corner = 0; corner < 8; ++corner) {
        const Vector3 local{(corner & 1) ? tree.bounds.max.x : tree.bounds.min.x,
                            (corner & 2) ? tree.bounds.max.y : tree.bounds.min.y,
                            (corner & 4) ? tree.bounds.max.z : tree.bounds.min.z};
        const Vector3 w = Matrix4::transformAffine(toWorld, local);
        lo[0] = std::min(lo[0], double(w.x));
        hi[0] = std::max(hi[0], double(w.x));
        lo[1] = std::min(lo[1], double(w.z));
        hi[1] = std::max(hi[1], double(w.z));
    }
    auto index = [](double c) { return c * 257 / size + 128.5; };
    const int iFirst = int(std::floor(index(lo[0]))) - 1, iLast = int(std::ceil(index(hi[0]))) + 1;
    const int kFirst = int(std::floor(index(lo[1]))) - 1, kLast = int(std::ceil(index(hi[1]))) + 1;
    std::vector<float> xs, zs;
    for (int i = iFirst; i <= iLast; ++i) xs.push_back(rayCoordinate(i));
    for (int k = kFirst; k <= kLast; ++k) zs.push_back(rayCoordinate(k));
    ASSERT_TRUE(lattice.prepare(tree, toBody, up, startHeight, xs, zs));
    ++tally.poses;

    for (int k = kFirst; k <= kLast; ++k)
        for (int i = iFirst; i <= iLast; ++i) {
            const Vector3 world{rayCoordinate(i), startHeight, rayCoordinate(k)};
            const Ray ray{Matrix4::transformAffine(toBody, world), up};
            ASSERT_TRUE(sameBits(lattice.origin(i - iFirst, k - kFirst), ray.origin));
            Vector3 walked[32], cast[32];
            unsigned walkedCount = 0;
            physics::rayMeshTree(ray, *tree.root, tree.vertices, walked, walkedCount, maximum);
            const unsigned castCount = lattice.cast(i - iFirst, k - kFirst, cast, maximum);
            ASSERT_EQ(castCount, walkedCount) << "ray " << i << ", " << k;
            for (unsigned h = 0; h < walkedCount; ++h)
                ASSERT_TRUE(sameBits(cast[h], walked[h])) << "ray " << i << ", " << k << " hit " << h;
            ++tally.rays;
            if (walkedCount > 0) ++tally.hitRays;
            if (walkedCount == maximum) ++tally.fullRays;
        }
}

}  // namespace

TEST(MeshRayLattice, EveryRayHitsWhatTheTreeWalkHits)
{
    struct MeshCase {
        const char* name;
        MeshData mesh;
        unsigned maximum;
    };
    MeshCase meshes[] = {
        {"bumpy ball of 680", testing_support::sphereMesh(20, 18, 1.5f, 0.05f), 20},
        {"bumpy ball of 700", testing_support::sphereMesh(25, 15, 1.0f, 0.1f), 20},
        {"box", testing_support::boxMesh(Vector3{1.0f, 0.5f, 2.0f}), 20},
        {"flat floor", testing_support::floorMesh(2.0f, 6), 20},
        {"stack of 30 floors", testing_support::stackedFloors(30), 20},
        {"stack, two hits kept", testing_support::stackedFloors(6), 2},
        {"awkward triangles", awkward(), 20},
    };
    // Upright, turned a quarter about an axis (the ray then runs exactly along
    // two body axes), tilted at random, and skewed a little away from a rotation.
    const Matrix3 quarter{{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}};
    const Matrix3 quarterZ{{{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}};
    std::mt19937 random(20240611);
    std::uniform_real_distribution<float> lateral(-20.0f, 20.0f), height(-3.0f, 3.0f);
    MeshRayLattice lattice;
    Tally tally;
    for (MeshCase& c : meshes) {
        SCOPED_TRACE(c.name);
        MeshStore store;
        auto* body = store.body(c.mesh, Vector3{0, 0, 0}, true);
        for (int pose = 0; pose < 100; ++pose) {
            SCOPED_TRACE(pose);
            Matrix3 rotation = Matrix3::identity();
            if (pose % 8 == 1) rotation = quarter;
            if (pose % 8 == 2) rotation = quarterZ;
            if (pose % 8 >= 3) rotation = testing_support::randomRotation(random, pose % 8 == 7 ? 1e-3 : 0.0);
            body->rotation = rotation;
            // Some poses put the body's origin on a ray, so edges and vertices of
            // the upright meshes lie on rays exactly.
            body->position = pose % 4 == 0 ? Vector3{rayCoordinate(100 + pose), 0.5f, rayCoordinate(150 - pose)}
                                           : Vector3{lateral(random), height(random), lateral(random)};
            compareRays(*body, c.maximum, lattice, tally);
            if (HasFatalFailure()) return;
        }
    }
    // Enough of every outcome to have meant something.
    EXPECT_EQ(tally.poses, 7 * 100);
    EXPECT_GT(tally.hitRays, 50000);
    EXPECT_GT(tally.fullRays, 5000);
    EXPECT_GT(tally.rays - tally.hitRays, 50000);
}

// A vertex count far beyond what the 16-bit indices reach: the lattice reads and
// keeps only the vertices the triangles use (the array holds no more).
TEST(MeshRayLattice, ReadsOnlyTheVerticesTheIndicesReach)
{
    MeshData mesh = testing_support::sphereMesh(20, 18, 1.5f, 0.05f);
    physics::rigidbody::TriangleMeshBody body{};
    physics::rigidbody::initTriangleMesh(&body, 1.0f, std::numeric_limits<int>::max(), mesh.vertices.data(),
                                         mesh.triangleCount(), mesh.indices.data(), true);
    const std::unique_ptr<physics::rigidbody::MeshTree> tree(body.meshTree);
    physics::rigidbody::setAtRest(&body, Vector3{1.0f, 0.5f, -2.0f}, Matrix3::makeRotationX(0.4f));
    MeshRayLattice lattice;
    Tally tally;
    compareRays(body, 20, lattice, tally);
    EXPECT_GT(tally.hitRays, 100);
}

TEST(MeshRayLattice, RefusesLatticesItCannotBin)
{
    // Then the coupling walks the tree for each ray.
    MeshStore store;
    auto* body = store.body(testing_support::sphereMesh(8, 6, 1.0f), Vector3{0, 0, 0}, true);
    const Matrix4 toBody = Matrix4::inverse(Matrix4::makeTranslation(body->position));
    const Vector3 up{0, 1, 0};
    const std::vector<float> even{-1.0f, -0.5f, 0.0f, 0.5f, 1.0f};
    const std::vector<float> uneven{-1.0f, -0.5f, 0.0f, 0.2f, 1.0f};
    const std::vector<float> none;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Matrix4 flat = toBody;  // no inverse: every origin at the body's
    for (int r = 0; r < 3; ++r) flat[r][0] = flat[r][2] = 0.0f;
    MeshRayLattice lattice;
    const physics::rigidbody::MeshTree& tree = *body->meshTree;
    EXPECT_TRUE(lattice.prepare(tree, toBody, up, startHeight, even, even));
    EXPECT_FALSE(lattice.prepare(tree, toBody, up, startHeight, uneven, even));
    EXPECT_FALSE(lattice.prepare(tree, toBody, up, startHeight, even, none));
    EXPECT_FALSE(lattice.prepare(tree, toBody, Vector3{nan, nan, nan}, startHeight, even, even));
    EXPECT_FALSE(lattice.prepare(tree, flat, up, startHeight, even, even));
}
