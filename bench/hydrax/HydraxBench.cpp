// The water layer's work per frame, without drawing: the island demo's
// projected grid (264 x 264 vertices) from the demo's camera, its stages, and
// the lake's grid. The baseline of the same run is the mesh taking an array
// of the same size (what every module pays to hand its vertices over):
// compare the figures with it, not with figures from other runs.
#include <Ogre.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "assets/HydraxGrid.h"
#include "platform/hydrax/Hydrax.h"
#include "platform/hydrax/Module/ProjectedGrid.h"
#include "platform/hydrax/Noise/Perlin.h"
#include "programs/seaview/SeaScene.h"
#include "sim/water/WaterSimulator.h"
#include "tools/offline/OfflineOgre.h"

namespace {

// Ogre without a display, one scene and the demo's camera.
struct Offline {
    Offline() : ogre("bench_hydrax.log")
    {
        scene = ogre.root().createSceneManager();
        camera = scene->createCamera("PlayerCam");
        camera->setAspectRatio(800.0f / 600.0f);
        camera->setNearClipDistance(5);
        seaview::placeCamera(camera);
    }
    OfflineOgre ogre;
    Ogre::SceneManager* scene = nullptr;
    Ogre::Camera* camera = nullptr;
};

Offline& offline()
{
    static Offline o;
    return o;
}

struct Ocean {
    Ocean()
    {
        hydrax.reset(new Hydrax::Hydrax(offline().scene, offline().camera, nullptr));
        module = seaview::createSeaGrid(hydrax.get());
        hydrax->setModule(module, true);
        hydrax->create();
        hydrax->update(1.0f / 60);
    }
    std::unique_ptr<Hydrax::Hydrax> hydrax;
    Hydrax::Module::ProjectedGrid* module;
};

void BM_MeshTakesArray264(benchmark::State& state)
{
    Ocean ocean;
    const std::vector<float> vertices = ocean.module->getVertices();
    for (auto _ : state) ocean.hydrax->getMesh()->updateGeometry(264 * 264, vertices.data());
}
BENCHMARK(BM_MeshTakesArray264)->Unit(benchmark::kMillisecond);

void BM_ProjectedGridUpdate264(benchmark::State& state)
{
    Ocean ocean;
    for (auto _ : state) ocean.hydrax->update(1.0f / 60);
}
BENCHMARK(BM_ProjectedGridUpdate264)->Unit(benchmark::kMillisecond);

// The noise alone at the grid's places, with and without the slopes that the
// choppy waves need.
void BM_PerlinAtGridPoints264(benchmark::State& state)
{
    Ocean ocean;
    Hydrax::Noise::Noise* noise = ocean.module->getNoise();
    const std::vector<float>& v = ocean.module->getVertices();
    Ogre::Vector2 slope;
    for (auto _ : state) {
        float sum = 0;
        for (std::size_t k = 0; k < v.size(); k += 6)
            sum += noise->getValue(v[k] / 35.0f, v[k + 2] / 35.0f, 0.01f, state.range(0) ? &slope : nullptr);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_PerlinAtGridPoints264)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LakeGridUpdate65(benchmark::State& state)
{
    physics::water::WaterSimulator water(nullptr, 50.0f, 10.0f, 65);
    Hydrax::Hydrax hydrax(offline().scene, offline().camera, nullptr);
    hydrax.setModule(new HydraxGrid(Hydrax::MaterialManager::NM_VERTEX, &hydrax, new Hydrax::Noise::Perlin(),
                                    HydraxGrid::Options(65, Hydrax::Size(50, 50), 32.5f, false, true, 0.065f),
                                    &water),
                     true);
    hydrax.create();
    for (auto _ : state) hydrax.update(1.0f / 60);
}
BENCHMARK(BM_LakeGridUpdate65)->Unit(benchmark::kMillisecond);

}  // namespace
