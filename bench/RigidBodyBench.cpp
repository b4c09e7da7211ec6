#include <benchmark/benchmark.h>

#include "Scenes.h"
#include "sim/rigidbody/SearchContext.h"
#include "sim/rigidbody/Collide.h"

using namespace bench;

namespace {

// The plain search over every pair (second argument 0) or the library's with
// its broad phase (1).
SearchForms formsOf(const benchmark::State& state)
{
    return state.range(1) != 0 ? SearchForms::library() : SearchForms::plain();
}

}  // namespace

// One simulate step of spheres and a quarter boxes (argument 0: their number) in
// the enclosure, after two seconds of settling, so that the step has the
// contacts of a pile at rest; argument 1: the search over every pair (0) or the
// broad phase (1). The same bodies are set back before each step.
static void BM_SimulateEnclosure(benchmark::State& state)
{
    const int bodies = int(state.range(0));
    EnclosureScene scene(bodies - bodies / 4, bodies / 4);
    const float h = 1.0f / 120.0f;
    for (int i = 0; i < 240; ++i) scene.step(h);
    scene.snapshot();
    scene.sim.searchContext().setForms(formsOf(state));
    for (auto _ : state) {
        state.PauseTiming();
        scene.restore();
        state.ResumeTiming();
        scene.step(h);
    }
    state.counters["contacts"] = scene.sim.getNumContacts();
}
BENCHMARK(BM_SimulateEnclosure)->ArgsProduct({{10, 50, 200}, {0, 1}})->Unit(benchmark::kMicrosecond);

// One step of a flat static mesh of 51,200 triangles just below the enclosure's
// floor and through its four walls: tens of thousands of contacts, each checked
// for an earlier one at the same point (argument 1 as above: 0 scans the list).
static void BM_MeshThroughTheWalls(benchmark::State& state)
{
    testing_support::SceneBodies scene;
    scene.sim.addBody(scene.meshes.body(testing_support::floorMesh(3.0f, 160), Vector3{0, -0.01f, 0}));
    scene.addEnclosure();
    scene.sim.commitBodies();
    scene.sim.searchContext().setForms(formsOf(state));
    for (auto _ : state) scene.step(1.0f / 120.0f);
    state.counters["contacts"] = scene.sim.getNumContacts();
}
BENCHMARK(BM_MeshThroughTheWalls)->ArgsProduct({{0}, {0, 1}})->Unit(benchmark::kMillisecond);

static void collideBoxes(benchmark::State& state, float gap, float tilt)
{
    BoxBody a, b;
    initBox(&a, 1, 1, 1, 1);
    initBox(&b, 1, 1, 1, 1);
    setAtRest(&a, Vector3::zero());
    setAtRest(&b, Vector3{0.1f, gap, 0.05f});
    b.rotation = Matrix3::makeRotationX(tilt);
    ContactList contacts;
    contacts.reserve(16);
    for (auto _ : state) {
        contacts.clear();
        collideBoxBox(&a, &b, &contacts);
        benchmark::DoNotOptimize(contacts.data());
    }
    state.counters["contacts"] = double(contacts.size());
}

static void BM_CollideBoxBoxTouching(benchmark::State& state) { collideBoxes(state, 0.95f, 0.05f); }
static void BM_CollideBoxBoxSeparated(benchmark::State& state) { collideBoxes(state, 3.0f, 0.05f); }
BENCHMARK(BM_CollideBoxBoxTouching);
BENCHMARK(BM_CollideBoxBoxSeparated);
