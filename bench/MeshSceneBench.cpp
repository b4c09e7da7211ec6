// Sub-steps of whole scenes with meshes, with the full mesh walks (argument 0,
// the baseline) and the culled ones (argument 1). Each iteration runs the same
// STEPS sub-steps from the same settled state; the time shown is per sub-step.
#include <benchmark/benchmark.h>

#include "MeshScenes.h"
#include "sim/rigidbody/CollideMesh.h"

using namespace testing_support;

namespace {

constexpr int STEPS = 10;

// Restores the culled walks whatever a benchmark did.
struct WalkMode {
    explicit WalkMode(bool culled) { setMeshWalk(culled ? MeshWalk::CULLED : MeshWalk::FULL); }
    ~WalkMode() { setMeshWalk(MeshWalk::CULLED); }
};

template <class Scene, class Step>
void run(benchmark::State& state, Scene& scene, Step step)
{
    scene.snapshot();
    const WalkMode mode(state.range(0) != 0);
    long contacts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        scene.restore();
        state.ResumeTiming();
        for (int i = 0; i < STEPS; ++i) {
            step();
            contacts += long(scene.sim.mContacts.size());
        }
    }
    state.SetItemsProcessed(state.iterations() * STEPS);
    state.counters["per_step"] =
        benchmark::Counter(double(STEPS), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["contacts"] = double(contacts) / double(state.iterations() * STEPS);
}

// Two closed meshes of 700 triangles, ten spheres, a box and the enclosure at
// 1/120 s, after 3 s of tumbling: the bodies rest on the floor and on each other.
void BM_TumbleSubStep(benchmark::State& state)
{
    TumbleScene scene(lumpyMesh(25, 15, 0.3f));
    for (int i = 0; i < 360; ++i) scene.step(TumbleScene::STEP);
    run(state, scene, [&] { scene.step(TumbleScene::STEP); });
}
BENCHMARK(BM_TumbleSubStep)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The lake: a terrain of 288 triangles, a closed mesh of 700 and 40 spheres of
// radius 0.5 at 1/60 s, after 5 s of falling, without or with the water of 65 x 65
// cells and its coupling.
void lake(benchmark::State& state, bool withWater)
{
    LakeScene scene(lumpyMesh(25, 15, 0.75f), withWater);
    for (int i = 0; i < 300; ++i) scene.subStep();
    run(state, scene, [&] { scene.subStep(); });
}
void BM_LakeSubStep(benchmark::State& state) { lake(state, false); }
void BM_LakeSubStepWithWater(benchmark::State& state) { lake(state, true); }
BENCHMARK(BM_LakeSubStep)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LakeSubStepWithWater)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
