// Pairs with closed meshes of 700 triangles: time per call, and triangle tests
// (triangle pairs for two meshes) per second.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "Bodies.h"
#include "Meshes.h"
#include "sim/maths/Matrix4.h"
#include "sim/rigidbody/Collide.h"
#include "sim/rigidbody/SearchContext.h"
#include "sim/rigidbody/TriangleContacts.h"

using namespace testing_support;

namespace {

MeshData closedMesh() { return sphereMesh(25, 15, 1.0f, 0.1f); }

const Matrix3 turned = Matrix3::makeRotationX(0.3f);

// Triangles that the sphere and plane walks reach, counted with the same node
// tests the walks make.
Matrix4 transformOf(const RigidBody* mesh)
{
    return Matrix4::makeTranslation(mesh->position) * Matrix4::fromRotation(mesh->rotation);
}

std::uint64_t trianglesReachedBySphere(const MeshTreeNode* node, const RigidBody* mesh, const Sphere& sphere)
{
    const BoundingBox& b = node->bounds;
    const Vector3 c = Matrix4::transformAffine(transformOf(mesh), Vector3((b.max - b.min) * 0.5f + b.min));
    const Matrix3& r = mesh->rotation;
    const OrientedBox box{c, {{r[0][0], r[1][0], r[2][0]}, {r[0][1], r[1][1], r[2][1]}, {r[0][2], r[1][2], r[2][2]}},
                          b.halfExtents()};
    if (!box.intersectsSphere(sphere)) return 0;
    if (!node->left) return node->triangleCount;
    return trianglesReachedBySphere(node->left, mesh, sphere) + trianglesReachedBySphere(node->right, mesh, sphere);
}

std::uint64_t trianglesReachedByPlane(const MeshTreeNode* node, const RigidBody* mesh, const Plane& plane)
{
    const BoundingBox& b = node->bounds;
    bool behind = false;
    for (int k = 0; k < 8; ++k) {
        const Vector3 corner{(k & 1) ? b.max.x : b.min.x, (k & 2) ? b.max.y : b.min.y, (k & 4) ? b.max.z : b.min.z};
        behind = behind || !(Plane::signedDistance(plane, Matrix4::transformAffine(transformOf(mesh), corner)) >= 0.0f);
    }
    if (!behind) return 0;
    if (!node->left) return node->triangleCount;
    return trianglesReachedByPlane(node->left, mesh, plane) + trianglesReachedByPlane(node->right, mesh, plane);
}

// Argument 0 searches with the plain forms (the baseline: the full walks, every
// pair for boxes and meshes, every node test computed for spheres and planes),
// 1 with the library's; "tests" counts the triangle tests the walks reach. Each
// keeps its context from call to call, as a simulator does.
void run(benchmark::State& state, RigidBody* first, RigidBody* second, std::uint64_t tests)
{
    ContactList contacts;
    contacts.reserve(4096);
    SearchContext context(state.range(0) != 0 ? SearchForms::library() : SearchForms::plain());
    for (auto _ : state) {
        contacts.clear();
        context.collide(first, second, &contacts);
        benchmark::DoNotOptimize(contacts.data());
    }
    state.counters["contacts"] = double(contacts.size());
    state.counters["tests"] = double(tests);
    state.counters["tests_per_s"] = benchmark::Counter(double(tests), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_MeshPlane(benchmark::State& state)
{
    MeshStore meshes;
    BodyStore bodies;
    TriangleMeshBody* mesh = meshes.body(closedMesh(), Vector3{0, 0.95f, 0}, true, 1, turned);
    PlaneBody* ground = bodies.plane(Vector3{0, 1, 0}, 0);
    run(state, mesh, ground, trianglesReachedByPlane(mesh->meshTree->root, mesh, ground->plane));
}
BENCHMARK(BM_MeshPlane)->Arg(0)->Arg(1);

void BM_MeshSphere(benchmark::State& state)
{
    MeshStore meshes;
    BodyStore bodies;
    TriangleMeshBody* mesh = meshes.body(closedMesh(), Vector3{0, 0, 0}, true, 1, turned);
    SphereBody* sphere = bodies.sphere(Vector3{0.1f, 1.45f, 0.05f}, 0.5f);
    run(state, mesh, sphere,
        trianglesReachedBySphere(mesh->meshTree->root, mesh, Sphere{sphere->position, sphere->radius}));
}
BENCHMARK(BM_MeshSphere)->Arg(0)->Arg(1);

void BM_MeshSphereFar(benchmark::State& state)
{
    MeshStore meshes;
    BodyStore bodies;
    TriangleMeshBody* mesh = meshes.body(closedMesh(), Vector3{0, 0, 0}, true, 1, turned);
    SphereBody* sphere = bodies.sphere(Vector3{0, 5, 0}, 0.5f);
    run(state, mesh, sphere, 0);
}
BENCHMARK(BM_MeshSphereFar)->Arg(0)->Arg(1);

void BM_MeshBox(benchmark::State& state)
{
    MeshStore meshes;
    BodyStore bodies;
    TriangleMeshBody* mesh = meshes.body(closedMesh(), Vector3{0, 0, 0}, true, 1, turned);
    BoxBody* box = bodies.box(Vector3{0.1f, 1.4f, 0.05f}, Vector3{1, 1, 1});
    run(state, mesh, box, std::uint64_t(mesh->meshTree->triangleCount));
}
BENCHMARK(BM_MeshBox)->Arg(0)->Arg(1);

// Two closed meshes of 700 triangles, bumpy spheres (radius 1, 10%) and lumpy
// bodies like scanned models (reach about 1.2), touching or far apart.
void meshMesh(benchmark::State& state, const MeshData& model, float distance)
{
    MeshStore meshes;
    TriangleMeshBody* a = meshes.body(model, Vector3{0, 0, 0}, true, 1, turned);
    TriangleMeshBody* b = meshes.body(model, Vector3{0.2f, distance, 0.1f}, true);
    run(state, a, b, std::uint64_t(a->meshTree->triangleCount) * std::uint64_t(b->meshTree->triangleCount));
}
void BM_MeshMeshTouching(benchmark::State& state) { meshMesh(state, closedMesh(), 1.9f); }
void BM_MeshMeshFar(benchmark::State& state) { meshMesh(state, closedMesh(), 10.0f); }
void BM_LumpyMeshesTouching(benchmark::State& state) { meshMesh(state, lumpyMesh(25, 15, 1.0f), 1.75f); }
void BM_LumpyMeshesApart(benchmark::State& state) { meshMesh(state, lumpyMesh(25, 15, 1.0f), 3.0f); }
BENCHMARK(BM_MeshMeshTouching)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MeshMeshFar)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LumpyMeshesTouching)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LumpyMeshesApart)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Baselines: the single triangle tests the walks are made of.

const Vector3 horizontal[3] = {{0, 0, 0}, {0, 0, 2}, {2, 0, 0}};
const Vector3 crossing[3] = {{0.5f, -1, 0.5f}, {1, -1, 0.5f}, {0.5f, 1, 0.5f}};
const Vector3 above[3] = {{0, 1, 0}, {0, 1.5f, 2}, {2, 2, 0}};

void triangleTriangle(benchmark::State& state, const Vector3* q)
{
    RigidBody p{}, o{};
    ContactList contacts;
    contacts.reserve(4);
    for (auto _ : state) {
        contacts.clear();
        collideTriangleTriangle(horizontal, q, &p, &o, &contacts);
        benchmark::DoNotOptimize(contacts.data());
    }
}
void BM_TriangleTriangleCrossing(benchmark::State& state) { triangleTriangle(state, crossing); }
void BM_TriangleTriangleApart(benchmark::State& state) { triangleTriangle(state, above); }
BENCHMARK(BM_TriangleTriangleCrossing);
BENCHMARK(BM_TriangleTriangleApart);

void BM_TriangleBox(benchmark::State& state)
{
    RigidBody p{}, o{};
    const OrientedBox box{Vector3{1, 0.4f, 0.5f}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, Vector3{0.5f, 0.5f, 0.5f}};
    ContactList contacts;
    contacts.reserve(16);
    for (auto _ : state) {
        contacts.clear();
        collideTriangleBox(horizontal, box, &p, &o, &contacts);
        benchmark::DoNotOptimize(contacts.data());
    }
}
BENCHMARK(BM_TriangleBox);

}  // namespace
