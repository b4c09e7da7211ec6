// What the terrain costs the programs at start: one vertical probe (a ray query
// made, run and destroyed) on the terrain scene manager against the same probe on
// the generic scene manager in the same run, and pondshow's whole sampling
// (65 x 65 heights and a 13 x 13 mesh: 4,394 probes) over the generated lake.
#include <benchmark/benchmark.h>

#include <memory>

#include "HeadlessRoot.h"
#include "assets/Terrain.h"

namespace {

// Ogre without a display, the lake loaded once.
struct Headless : benchsupport::HeadlessRoot {
    Headless() : HeadlessRoot("bench_terrain.log")
    {
        terrain = terrainSceneManager();
        terrain->setWorldGeometry("watertest2_terrain.cfg");
        terrain->getSceneNode("Terrain")->setPosition(-25, 0, -25);
        generic = root->createSceneManager();
    }
    Ogre::SceneManager* terrain = nullptr;
    Ogre::SceneManager* generic = nullptr;
};

Headless& ogre()
{
    static Headless headless;
    return headless;
}

// The probe of `Terrain`: a ray up from y = -1000 at (x, z), the first entry read.
void probe(benchmark::State& state, Ogre::SceneManager* sm)
{
    float x = 0;
    for (auto _ : state) {
        x = x < 49 ? x + 0.77f : 0;
        Ogre::RaySceneQuery* query =
            sm->createRayQuery(Ogre::Ray(Ogre::Vector3(x, -1000, 25), Ogre::Vector3::UNIT_Y), 0xFFFFFFFF);
        const Ogre::RaySceneQueryResult& result = query->execute();
        benchmark::DoNotOptimize(result.empty() ? nullptr : result.front().worldFragment);
        sm->destroyQuery(query);
    }
}

void BM_ProbeGenericSceneManager(benchmark::State& state) { probe(state, ogre().generic); }
void BM_ProbeTerrainSceneManager(benchmark::State& state) { probe(state, ogre().terrain); }

void BM_PondshowTerrainCreate(benchmark::State& state)
{
    Ogre::SceneManager* sm = ogre().terrain;
    for (auto _ : state) {
        Terrain terrain(sm, 50.0f, 65, 13);
        terrain.create();
        state.PauseTiming();
        Ogre::MeshManager::getSingleton().remove(terrain.mMesh);
        state.ResumeTiming();
    }
    state.counters["probes"] = 65 * 65 + 13 * 13;
}

BENCHMARK(BM_ProbeGenericSceneManager);
BENCHMARK(BM_ProbeTerrainSceneManager);
BENCHMARK(BM_PondshowTerrainCreate)->Unit(benchmark::kMillisecond);

}  // namespace
