// Sub-steps of whole scenes with meshes in three forms: argument 0, the full mesh
// walks, the contact search over every pair and, where there is water, the plain
// water step of tests/support/ReferenceWater.h; argument 1, the culled walks and
// the library's water step with the search over every pair; argument 2, all of
// the library's own (the broad phase too). Each iteration runs the same STEPS
// sub-steps from the same settled bodies (the water is not set back); the time
// shown is per sub-step.
#include <benchmark/benchmark.h>

#include <chrono>
#include <type_traits>

#include "MeshScenes.h"
#include "ReferenceWater.h"
#include "sim/rigidbody/SearchContext.h"

using namespace testing_support;
using physics::water::WaterSimulator;

namespace {

constexpr int STEPS = 10;

// The forms of one argument.
SearchForms formsOf(const benchmark::State& state)
{
    if (state.range(0) == 0) return SearchForms::plain();
    SearchForms forms = SearchForms::library();
    forms.everyPair = state.range(0) == 1;
    return forms;
}

using WaterStep = void (*)(WaterSimulator&, float);
WaterStep waterStepOf(const benchmark::State& state)
{
    if (state.range(0) != 0) return [](WaterSimulator& w, float h) { w.step(h); };
    return reference::step;
}

// step() runs one sub-step. Where it returns seconds, the benchmark is on manual
// time and only those count: the share of the sub-step being measured.
template <class Scene, class Step>
void run(benchmark::State& state, Scene& scene, SearchForms forms, Step step)
{
    constexpr bool timesShare = std::is_same<decltype(step()), double>::value;
    scene.snapshot();
    scene.sim.searchContext().setForms(forms);
    long contacts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        scene.restore();
        state.ResumeTiming();
        double seconds = 0.0;
        for (int i = 0; i < STEPS; ++i) {
            if constexpr (timesShare)
                seconds += step();
            else
                step();
            contacts += long(scene.sim.mContacts.size());
        }
        if constexpr (timesShare) state.SetIterationTime(seconds);
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
    run(state, scene, formsOf(state), [&] { scene.step(TumbleScene::STEP); });
}
BENCHMARK(BM_TumbleSubStep)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The lake: a terrain of 288 triangles, a closed mesh of 700 and 40 spheres of
// radius 0.5 at 1/60 s, after 5 s of falling, without or with the water of 65 x 65
// cells and its coupling. Both water steps give the same bits, so the library's
// settles the scene for either.
struct SettledLake : LakeScene {
    explicit SettledLake(bool withWater) : LakeScene(lumpyMesh(25, 15, 0.75f), withWater)
    {
        for (int i = 0; i < 300; ++i) subStep();
    }
};

void BM_LakeSubStep(benchmark::State& state)
{
    SettledLake scene(false);
    run(state, scene, formsOf(state), [&] { scene.subStep(); });
}
BENCHMARK(BM_LakeSubStep)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_LakeSubStepWithWater(benchmark::State& state)
{
    SettledLake scene(true);
    run(state, scene, formsOf(state), [&, step = waterStepOf(state)] { scene.subStep(step); });
    state.counters["forces"] = double(scene.sim.mForces.size());
}
BENCHMARK(BM_LakeSubStepWithWater)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The water's share of the same sub-steps: only the water step with its coupling
// is timed. The walks do not touch it; the culled ones step the bodies between.
void BM_LakeWater(benchmark::State& state)
{
    SettledLake scene(true);
    run(state, scene, SearchForms::library(), [&, step = waterStepOf(state)] {
        double seconds = 0.0;
        scene.subStep([&](WaterSimulator& w, float h) {
            const auto start = std::chrono::steady_clock::now();
            step(w, h);
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        });
        return seconds;
    });
    state.counters["forces"] = double(scene.sim.mForces.size());
}
BENCHMARK(BM_LakeWater)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
