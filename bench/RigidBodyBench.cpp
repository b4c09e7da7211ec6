#include <benchmark/benchmark.h>

#include "Scenes.h"
#include "sim/rigidbody/Collide.h"

using namespace bench;

// One simulate step of spheres and a box in the enclosure, after two seconds of
// settling so that the step has the contacts of a scene at rest.
static void BM_SimulateEnclosure(benchmark::State& state)
{
    EnclosureScene scene(int(state.range(0)), 1);
    const float h = 1.0f / 120.0f;
    for (int i = 0; i < 240; ++i) scene.step(h);
    for (auto _ : state) scene.step(h);
    state.counters["contacts"] = scene.sim.getNumContacts();
}
BENCHMARK(BM_SimulateEnclosure)->Arg(10)->Arg(40);

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
