// The water step, alone and coupled with floating bodies. Every benchmark has a
// twin running the plain step it replaced (tests/support/ReferenceWater.h), so
// before and after are measured in the same run: compare the pairs, not figures
// from different runs. The lake's sub-step and the water's share of it are in
// MeshSceneBench.cpp.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "sim/maths/Matrix4.h"
#include "sim/rigidbody/Simulator.h"
#include "sim/water/FlowPasses.h"
#include "sim/water/MeshRayLattice.h"
#include "sim/water/RayTests.h"
#include "sim/water/WaterSimulator.h"
#include "tests/support/Meshes.h"
#include "tests/support/ReferenceWater.h"

using namespace physics;
using namespace physics::rigidbody;
using physics::water::WaterSimulator;

namespace {

// The programs' grids: N = 65 over 50 units, N = 129 over 100 units, level 1 on
// flat ground, set moving by a few drops and a second of flow.
std::unique_ptr<WaterSimulator> movingWater(int n,
                                            physics::water::flow::Passes passes = physics::water::flow::fastestPasses())
{
    auto water = std::make_unique<WaterSimulator>(nullptr, n == 65 ? 50.0f : 100.0f, 1.0f, n, passes);
    const int drops[3][3] = {{n / 4, n / 3, 3}, {n / 2, n / 2, 5}, {2 * n / 3, n / 5, 2}};
    for (const auto& d : drops)
        for (int z = d[1] - d[2]; z < d[1] + d[2]; ++z)
            for (int x = d[0] - d[2]; x < d[0] + d[2]; ++x) water->addDepth(x, z, 0.5f);
    for (int i = 0; i < 60; ++i) water->step(1.0f / 60.0f);
    return water;
}

void reportCells(benchmark::State& state, int n)
{
    state.counters["cells"] = double(n) * n;
    state.counters["time_per_cell"] =
        benchmark::Counter(double(n) * n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void stepWater(WaterSimulator& w, float dt) { w.step(dt); }
void stepReference(WaterSimulator& w, float dt) { testing_support::reference::step(w, dt); }
using WaterStep = void (*)(WaterSimulator&, float);

void plainStep(benchmark::State& state, WaterStep step,
               physics::water::flow::Passes passes = physics::water::flow::fastestPasses())
{
    const int n = int(state.range(0));
    std::unique_ptr<WaterSimulator> water = movingWater(n, passes);
    for (auto _ : state) step(*water, 1.0f / 60.0f);
    reportCells(state, n);
}

// The same step coupled with 40 spheres of radius 0.5 and a 680-triangle mesh
// ball of radius 1.5, all floating with their centres at the surface (the bodies
// are not stepped, so every step probes the same bodies).
void coupledStep(benchmark::State& state, WaterStep step)
{
    const int n = int(state.range(0));
    std::unique_ptr<WaterSimulator> water = movingWater(n);
    Simulator<ODERungeKutta> sim;
    std::vector<std::unique_ptr<SphereBody>> spheres;
    for (int i = 0; i < 40; ++i) {
        auto s = std::make_unique<SphereBody>();
        initSphere(s.get(), 0.25f, 0.5f);
        setAtRest(s.get(), Vector3{float(-9.0 + 2.0 * (i % 8)), 1.0f, float(-9.0 + 2.5 * (i / 8))});
        sim.addBody(s.get());
        spheres.push_back(std::move(s));
    }
    testing_support::MeshStore meshes;
    sim.addBody(meshes.body(testing_support::sphereMesh(20, 18, 1.5f, 0.05f), Vector3{10.0f, 1.0f, 10.0f}, true));
    sim.commitBodies();
    water->mRigidBodySimulator = &sim;

    for (auto _ : state) {
        sim.clearForces();
        step(*water, 1.0f / 60.0f);
    }
    reportCells(state, n);
    state.counters["forces"] = double(sim.mForces.size());
}

// The rays of one coupling pass through a tilted 680-triangle ball, cast with the
// tree walk or with the lattice (its setup included).
struct BallRays {
    testing_support::MeshStore meshes;
    TriangleMeshBody* ball;
    Matrix4 toBody;
    Vector3 up;
    std::vector<float> xs, zs;

    BallRays()
    {
        ball = meshes.body(testing_support::sphereMesh(20, 18, 1.5f, 0.05f), Vector3{10.0f, 1.0f, 10.0f}, true, 1.0f,
                           Matrix3::makeRotationX(0.4f));
        toBody = Matrix4::inverse(Matrix4::makeTranslation(ball->position) * Matrix4::fromRotation(ball->rotation));
        up = Matrix3::transpose(ball->rotation) * Vector3{0.0f, 1.0f, 0.0f};
        normalise(up);
        for (int i = 0; i <= 256; ++i) {
            const float c = float(i / 257.0 * 50.0 - 25.0);
            if (c > 8.3f && c < 11.7f) xs.push_back(c);
            if (c > 8.3f && c < 11.7f) zs.push_back(c);
        }
    }
};

}  // namespace

static void BM_WaterStep(benchmark::State& state) { plainStep(state, stepWater); }
static void BM_WaterStepReference(benchmark::State& state) { plainStep(state, stepReference); }
// The library's step with its portable passes only.
static void BM_WaterStepPortable(benchmark::State& state)
{
    plainStep(state, stepWater, physics::water::flow::Passes::PORTABLE);
}
BENCHMARK(BM_WaterStep)->Arg(65)->Arg(129);
BENCHMARK(BM_WaterStepReference)->Arg(65)->Arg(129);
BENCHMARK(BM_WaterStepPortable)->Arg(65)->Arg(129);

static void BM_WaterStepCoupled(benchmark::State& state) { coupledStep(state, stepWater); }
static void BM_WaterStepCoupledReference(benchmark::State& state) { coupledStep(state, stepReference); }
BENCHMARK(BM_WaterStepCoupled)->Arg(65)->Arg(129);
BENCHMARK(BM_WaterStepCoupledReference)->Arg(65)->Arg(129);

static void BM_MeshRaysWalk(benchmark::State& state)
{
    BallRays b;
    const MeshTree& tree = *b.ball->meshTree;
    for (auto _ : state)
        for (float z : b.zs)
            for (float x : b.xs) {
                const Ray ray{Matrix4::transformAffine(b.toBody, Vector3{x, -1000.0f, z}), b.up};
                Vector3 hits[20];
                unsigned count = 0;
                rayMeshTree(ray, *tree.root, tree.vertices, hits, count, 20);
                benchmark::DoNotOptimize(count);
            }
    state.counters["rays"] = double(b.xs.size() * b.zs.size());
}
static void BM_MeshRaysLattice(benchmark::State& state)
{
    BallRays b;
    physics::water::MeshRayLattice lattice;
    for (auto _ : state) {
        lattice.prepare(*b.ball->meshTree, b.toBody, b.up, -1000.0f, b.xs, b.zs);
        for (std::size_t row = 0; row < b.zs.size(); ++row)
            for (std::size_t column = 0; column < b.xs.size(); ++column) {
                Vector3 hits[20];
                benchmark::DoNotOptimize(lattice.cast(int(column), int(row), hits, 20));
            }
    }
    state.counters["rays"] = double(b.xs.size() * b.zs.size());
}
BENCHMARK(BM_MeshRaysWalk);
BENCHMARK(BM_MeshRaysLattice);
static void BM_MeshRaysPrepareOnly(benchmark::State& state)
{
    BallRays b;
    physics::water::MeshRayLattice lattice;
    for (auto _ : state)
        benchmark::DoNotOptimize(lattice.prepare(*b.ball->meshTree, b.toBody, b.up, -1000.0f, b.xs, b.zs));
}
BENCHMARK(BM_MeshRaysPrepareOnly);
