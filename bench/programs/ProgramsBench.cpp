// What one second of real time costs each mesh program: its scene built as the
// program builds it (Ogre without a display, the build's models and terrain), then
// the sub-steps that one second of frames runs at the program's time scale and
// step (tumbleshow 40 of 1/120 s, bumpshellshell 20 of 1/60 s, bumpshellball and
// bumphillball 60 of 1/60 s, bumpshellfloor and bumpshellcrate 120 of 1/120 s).
// Argument 0 searches with the plain forms (every pair, the full walks: the
// baseline), 1 with the library's, which find the same contacts, 2 the same with
// mesh pairs walked node pair by node pair instead of searched plane by plane;
// the second argument
// picks the second measured: the first one (0, bodies falling and meeting) or the
// sixth (1, most of them at rest). Each iteration starts from the same bodies.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "HeadlessRoot.h"
#include "programs/bumphillball/bumphillball.h"
#include "programs/bumpshellball/bumpshellball.h"
#include "programs/bumpshellcrate/bumpshellcrate.h"
#include "programs/bumpshellfloor/bumpshellfloor.h"
#include "programs/bumpshellshell/bumpshellshell.h"
#include "programs/tumbleshow/tumbleshow.h"
#include "sim/rigidbody/SearchContext.h"

namespace {

using namespace physics::rigidbody;

// Ogre without a display, once per process; the programs' relative model paths
// reach the build's models from a directory four levels below the build.
struct Headless : benchsupport::HeadlessRoot {
    Headless() : HeadlessRoot("bench_programs.log")
    {
        std::filesystem::create_directories(MARROWFIELD_PROGRAM_WORKDIR);
        std::filesystem::current_path(MARROWFIELD_PROGRAM_WORKDIR);
    }
};

// A scene manager for one program's scene. The model meshes of the scene built
// before are dropped (their bodies keep the arrays): each program names its own.
Ogre::SceneManager* newSceneManager(bool terrain)
{
    static Headless headless;
    Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
    for (const char* name : {"Bunny", "teapot"})
        if (meshes.resourceExists(name)) meshes.remove(name);
    return terrain ? headless.terrainSceneManager() : headless.root->createSceneManager();
}

// Every body record, to go back to: the simulator derives everything else from
// the bodies at each step.
class BodySnapshot {
public:
    explicit BodySnapshot(AbstractSimulator& simulator)
    {
        for (unsigned i = 0; i < simulator.getNumBodies(); ++i) mRestore.push_back(saved(simulator.getBody(i)));
    }
    void restore() const
    {
        for (const auto& restore : mRestore) restore();
    }

private:
    template <class T>
    static std::function<void()> savedAs(RigidBody* body)
    {
        return [target = static_cast<T*>(body), value = *static_cast<T*>(body)] { *target = value; };
    }
    static std::function<void()> saved(RigidBody* body)
    {
        switch (body->shapeType) {
        case SHAPE_BOX: return savedAs<BoxBody>(body);
        case SHAPE_SPHERE: return savedAs<SphereBody>(body);
        case SHAPE_TRIANGLE_MESH: return savedAs<TriangleMeshBody>(body);
        default: return savedAs<PlaneBody>(body);
        }
    }
    std::vector<std::function<void()>> mRestore;
};

// A program's bodies, its simulator and its settings.
struct ProgramSimulation {
    RigidBodySimulator* simulator;
    double timeScale;
    double step;
};

template <class Program>
struct MeshProgramBodies : Program {
    MeshProgramBodies()
    {
        this->mSceneMgr = newSceneManager(this->mUsesTerrainSceneManager);
        this->createBodies();
    }
    ProgramSimulation simulation() { return {this->mSimulator, this->mSettings.timeScale, this->mSettings.step}; }
};

struct ShellCrateBodies : bumpshellcrate::Test {
    ShellCrateBodies()
    {
        mSceneMgr = newSceneManager(false);
        createBodies();
    }
    ProgramSimulation simulation() { return {&mSimulator, TIME_SCALE, STEP}; }
};

// The program's clock from time t on: sub-steps of h, as the frame step takes them.
void subSteps(RigidBodySimulator& simulator, double& t, double h, int count)
{
    for (int i = 0; i < count; ++i) {
        simulator.simulate(float(t), float(t + h));
        t += h;
    }
}

// The scenes are built once per process and kept for every run of their benchmark.
template <class Bodies>
void oneSecond(benchmark::State& state)
{
    static Bodies* bodies = new Bodies();
    const ProgramSimulation sim = bodies->simulation();
    const int perSecond = int(std::lround(1.0 / (sim.timeScale * sim.step)));
    static const BodySnapshot start(*sim.simulator);

    // Both walks give the same contacts, so the culled one leads to the later second.
    start.restore();
    double t = 0.0;
    if (state.range(1) != 0) subSteps(*sim.simulator, t, sim.step, 5 * perSecond);
    const BodySnapshot measured(*sim.simulator);
    const double from = t;

    const SearchForms forms[] = {SearchForms::plain(), SearchForms::library(), SearchForms::meshNodePairs()};
    sim.simulator->searchContext().setForms(forms[state.range(0)]);

    long contacts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        measured.restore();
        t = from;
        state.ResumeTiming();
        for (int i = 0; i < perSecond; ++i) {
            subSteps(*sim.simulator, t, sim.step, 1);
            contacts += long(sim.simulator->getNumContacts());
        }
    }
    sim.simulator->searchContext().setForms(SearchForms::library());
    state.counters["sub_steps"] = perSecond;
    state.counters["contacts_per_step"] = double(contacts) / double(state.iterations() * perSecond);
}

void arguments(benchmark::internal::Benchmark* b)
{
    b->ArgsProduct({{0, 1, 2}, {0, 1}})->ArgNames({"walks", "later"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(oneSecond<MeshProgramBodies<tumbleshow::Test>>)->Name("BM_tumbleshow")->Apply(arguments);
BENCHMARK(oneSecond<MeshProgramBodies<bumpshellball::Test>>)->Name("BM_bumpshellball")->Apply(arguments);
BENCHMARK(oneSecond<MeshProgramBodies<bumpshellshell::Test>>)->Name("BM_bumpshellshell")->Apply(arguments);
BENCHMARK(oneSecond<MeshProgramBodies<bumpshellfloor::Test>>)->Name("BM_bumpshellfloor")->Apply(arguments);
BENCHMARK(oneSecond<MeshProgramBodies<bumphillball::Test>>)->Name("BM_bumphillball")->Apply(arguments);
BENCHMARK(oneSecond<ShellCrateBodies>)->Name("BM_bumpshellcrate")->Apply(arguments);

}  // namespace
