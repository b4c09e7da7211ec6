#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "sim/rigidbody/Simulator.h"
#include "sim/water/WaterSimulator.h"
#include "sim/water/FlowPasses.h"
#include "tests/support/Meshes.h"
#include "tests/support/ReferenceWater.h"

using namespace physics;
using namespace physics::rigidbody;
using physics::water::WaterSimulator;

namespace {

// The programs' grids: N = 65 over 50 units, N = 129 over 100 units, level 1 on
// flat ground, set moving by a few drops and a second of flow.
std::unique_ptr<WaterSimulator> movingWater(int n)
{
    auto water = std::make_unique<WaterSimulator>(nullptr, n == 65 ? 50.0f : 100.0f, 1.0f, n);
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

}  // namespace

static void BM_WaterStep(benchmark::State& state)
{
    const int n = int(state.range(0));
    std::unique_ptr<WaterSimulator> water = movingWater(n);
    for (auto _ : state) water->step(1.0f / 60.0f);
    reportCells(state, n);
}
BENCHMARK(BM_WaterStep)->Arg(65)->Arg(129);

// The plain step it replaced, and the library's step with its portable passes only.
static void BM_WaterStepReference(benchmark::State& state)
{
    const int n = int(state.range(0));
    std::unique_ptr<WaterSimulator> water = movingWater(n);
    for (auto _ : state) testing_support::reference::step(*water, 1.0f / 60.0f);
    reportCells(state, n);
}
BENCHMARK(BM_WaterStepReference)->Arg(65)->Arg(129);

static void BM_WaterStepPortable(benchmark::State& state)
{
    const int n = int(state.range(0));
    std::unique_ptr<WaterSimulator> water = movingWater(n);
    const bool was = physics::water::flow::useVectorPasses(false);
    for (auto _ : state) water->step(1.0f / 60.0f);
    physics::water::flow::useVectorPasses(was);
    reportCells(state, n);
}
BENCHMARK(BM_WaterStepPortable)->Arg(65)->Arg(129);

// The same step coupled with 40 spheres of radius 0.5 and a 680-triangle mesh
// ball of radius 1.5, all floating with their centres at the surface (the bodies
// are not stepped, so every step probes the same bodies).
static void BM_WaterStepCoupled(benchmark::State& state)
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
        water->step(1.0f / 60.0f);
    }
    reportCells(state, n);
    state.counters["forces"] = double(sim.mForces.size());
}
BENCHMARK(BM_WaterStepCoupled)->Arg(65)->Arg(129);
