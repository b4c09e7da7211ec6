// Whole steps of the scenes where mesh pairs cost most, in each form of the
// mesh-mesh search: argument 0 walks node pair by node pair, 1 is the library's
// search; the second argument sets the meshes' triangle counts. Each iteration
// runs the same sub-steps from the same settled bodies; the time shown is per
// sub-step, worst_ms the dearest sub-step seen.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "MeshScenes.h"
#include "sim/rigidbody/SearchContext.h"

using namespace testing_support;

namespace {

template <class Scene, class Step>
void run(benchmark::State& state, Scene& scene, int steps, Step step)
{
    scene.snapshot();
    scene.sim.searchContext().setForms(state.range(0) == 0 ? SearchForms::meshNodePairs() : SearchForms::library());
    double worst = 0;
    long contacts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        scene.restore();
        state.ResumeTiming();
        for (int i = 0; i < steps; ++i) {
            const auto start = std::chrono::steady_clock::now();
            step();
            worst = std::max(worst, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            contacts += long(scene.sim.mContacts.size());
        }
    }
    state.counters["per_step"] =
        benchmark::Counter(double(steps), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["worst_ms"] = 1e3 * worst;
    state.counters["contacts"] = double(contacts) / double(state.iterations() * steps);
}

// Closed lumpy meshes of about the given number of triangles (2 s (t - 1) of them
// for s slices and t stacks).
MeshData blob(int triangles, float radius)
{
    const int stacks = triangles <= 200 ? 8 : triangles <= 800 ? 16 : 31;
    const int slices = triangles / (2 * (stacks - 1));
    return lumpyMesh(slices, stacks, radius);
}

// The tumble of two blobs (168, 720 or 2,880 triangles), ten spheres and a box
// in the walled enclosure at 1/120 s, after 10 s: the blobs rest on the floor
// beside each other, among the spheres.
void BM_TwoBlobsResting(benchmark::State& state)
{
    TumbleScene scene(blob(int(state.range(1)), 0.3f));
    for (int i = 0; i < 1200; ++i) scene.step(TumbleScene::STEP);
    run(state, scene, 20, [&] { scene.step(TumbleScene::STEP); });
    state.counters["triangles"] = double(scene.lower->meshTree->triangleCount);
}
BENCHMARK(BM_TwoBlobsResting)->ArgsProduct({{0, 1}, {168, 720, 2880}})->Unit(benchmark::kMicrosecond);

// A blob of 700 triangles on the lake's static terrain (13, 25 or 49 samples a
// side over 50 x 50: 288, 1,152 or 4,608 triangles) at 1/60 s: settled for 4 s,
// then pushed along x, it slides and hops across the basin.
struct Slide : SceneBodies {
    static constexpr float STEP = 1.0f / 60.0f;
    TriangleMeshBody* terrain;
    TriangleMeshBody* slider;

    explicit Slide(int samples)
    {
        terrain = meshes.body(terrainMesh(samples, 50.0f), Vector3{0, 0, 0});
        slider = meshes.body(lumpyMesh(25, 15, 0.75f), Vector3{-15, float(terrainHeight(-15, 3)) + 0.6f, 3}, true, 1);
        sim.addBody(terrain);
        sim.addBody(slider);
        sim.commitBodies();
        for (int i = 0; i < 240; ++i) step(STEP);
        slider->linearMomentum = Vector3{2, 0, 0};
        slider->velocity = Vector3{2, 0, 0};
    }
};

void BM_BlobSlidingOnTerrain(benchmark::State& state)
{
    Slide scene(int(state.range(1)));
    run(state, scene, 120, [&] { scene.step(Slide::STEP); });
    state.counters["triangles"] = double(scene.terrain->meshTree->triangleCount);
}
BENCHMARK(BM_BlobSlidingOnTerrain)->ArgsProduct({{0, 1}, {13, 25, 49}})->Unit(benchmark::kMicrosecond);

// Two flat square grids (23 or 63 cells a side: 1,058 or 7,938 triangles each)
// dropped one onto the other onto the floor of the enclosure at 1/120 s: the
// upper one settles flat on the lower one.
struct StackedGrids : SceneBodies {
    static constexpr float STEP = 1.0f / 120.0f;
    TriangleMeshBody* lower;
    TriangleMeshBody* upper;

    explicit StackedGrids(int cells)
    {
        lower = meshes.body(floorMesh(1.5f, cells), Vector3{0, 0.05f, 0}, true, 1);
        upper = meshes.body(floorMesh(1.5f, cells), Vector3{0.1f, 0.2f, 0.05f}, true, 1);
        sim.addBody(lower);
        sim.addBody(upper);
        addEnclosure();
        sim.commitBodies();
    }
};

void BM_StackedGrids(benchmark::State& state)
{
    StackedGrids scene(int(state.range(1)));
    run(state, scene, 120, [&] { scene.step(StackedGrids::STEP); });
    state.counters["triangles"] = double(scene.lower->meshTree->triangleCount);
}
BENCHMARK(BM_StackedGrids)->ArgsProduct({{0, 1}, {23, 63}})->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
