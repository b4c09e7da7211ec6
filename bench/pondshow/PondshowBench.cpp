// pondshow's simulation: the program's own scene (the generated lake's terrain
// sampled through Ogre without a display, the bunny model, 40 spheres, the
// coupled water with its random drops) stepped as the program steps it, one
// simulated second of 60 sub-steps and its parts. Argument 0 runs the plain
// forms (every pair searched, the full mesh walks and the water step of
// tests/support/ReferenceWater.h), 1 the library's, 2 the library's with mesh
// pairs walked node pair by node pair: compare the forms of one run. Only the
// simulation is timed; every iteration starts from the same bodies and water.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "HeadlessRoot.h"
#include "ReferenceWater.h"
#include "platform/CrtRandom.h"
#include "programs/pondshow/pondshow.h"
#include "sim/rigidbody/Collide.h"
#include "sim/rigidbody/SearchContext.h"

namespace {

using namespace physics;
using namespace physics::rigidbody;
using physics::water::WaterSimulator;
using Clock = std::chrono::steady_clock;

constexpr double H = 1.0 / 60.0;
constexpr int SECOND = 60;

// Standard output to nowhere while it lives: the drops' lines would mix with the figures.
class QuietOutput {
public:
    QuietOutput()
    {
        std::fflush(stdout);
        mSaved = dup(1);
        const int none = open("/dev/null", O_WRONLY);
        dup2(none, 1);
        close(none);
    }
    ~QuietOutput()
    {
        std::fflush(stdout);
        dup2(mSaved, 1);
        close(mSaved);
    }

private:
    int mSaved;
};

// The program's scene up to its water (no drawings), built in the program's
// working directory, where its model path leads; and what it was at one moment.
class Lake : public pondshow::Test {
public:
    Lake()
    {
        static benchsupport::HeadlessRoot ogre("bench_pondshow.log");
        mSceneMgr = ogre.terrainSceneManager();
        char previous[4096];
        const bool known = getcwd(previous, sizeof previous) != nullptr;
        if (chdir(MARROWFIELD_PONDSHOW_DIR) != 0) std::perror(MARROWFIELD_PONDSHOW_DIR);
        {
            QuietOutput quiet;
            createWorld();
            createBodies();
            createWater();
            addWaterModifiers();
        }
        if (known && chdir(previous) != 0) std::perror(previous);
    }

    // One sub-step of the program (forces cleared, water with its drops and
    // coupling, bodies), the water stepped by waterStep.
    template <class WaterStep>
    void subStep(WaterStep waterStep)
    {
        mSimulator->clearForces();
        waterStep(*mWater, float(H));
        mSimulator->simulate(float(mTime), float(mTime + H));
        mTime += H;
    }
    void subStep()
    {
        subStep([](WaterSimulator& w, float h) { w.step(h); });
    }

    // Bodies, water and clock as they are now.
    struct Moment {
        std::vector<std::function<void()>> bodies;
        std::vector<std::vector<float>> grids;
        std::vector<unsigned char> wet;
        float surfaceRange[2];
        double time;
    };

    Moment now()
    {
        Moment m;
        for (RigidBody* b : mSimulator->mBodies) m.bodies.push_back(copyOf(b));
        for (water::Array2D<float>* g : floatGrids()) m.grids.emplace_back(g->data, g->data + g->size());
        m.wet.assign(mWater->mWet.data, mWater->mWet.data + mWater->mWet.size());
        m.surfaceRange[0] = mWater->mMinSurface;
        m.surfaceRange[1] = mWater->mMaxSurface;
        m.time = mTime;
        return m;
    }
    // The drops' draws start again from one seed.
    void restore(const Moment& m)
    {
        for (auto& set : m.bodies) set();
        std::vector<water::Array2D<float>*> grids = floatGrids();
        for (std::size_t i = 0; i < grids.size(); ++i) std::copy(m.grids[i].begin(), m.grids[i].end(), grids[i]->data);
        std::copy(m.wet.begin(), m.wet.end(), mWater->mWet.data);
        mWater->mMinSurface = m.surfaceRange[0];
        mWater->mMaxSurface = m.surfaceRange[1];
        mTime = m.time;
        platform::crtSrand(7);
    }

    double mTime = 0.0;

private:
    std::vector<water::Array2D<float>*> floatGrids()
    {
        WaterSimulator& w = *mWater;
        return {&w.mVelocityX, &w.mVelocityZ, &w.mScratch, &w.mSurface,
                &w.mGround,    &w.mDepth,     &w.mPreviousDisplacement};
    }
    template <class T>
    static std::function<void()> copyOf(T* body, const T& value)
    {
        return [body, value]() { *body = value; };
    }
    static std::function<void()> copyOf(RigidBody* b)
    {
        switch (b->shapeType) {
        case SHAPE_SPHERE: return copyOf(static_cast<SphereBody*>(b), *static_cast<SphereBody*>(b));
        case SHAPE_TRIANGLE_MESH:
            return copyOf(static_cast<TriangleMeshBody*>(b), *static_cast<TriangleMeshBody*>(b));
        case SHAPE_BOX: return copyOf(static_cast<BoxBody*>(b), *static_cast<BoxBody*>(b));
        case SHAPE_PLANE: return copyOf(static_cast<PlaneBody*>(b), *static_cast<PlaneBody*>(b));
        }
        std::abort();  // a shape the scenes never make
    }

};

// The one scene of the process (its meshes have names of their own), set to
// how it was as built (the spheres still falling, argument 0) or after ten
// simulated seconds (bodies floating or lying on the shores, argument 10).
Lake& lakeAt(int seconds)
{
    static Lake lake;
    static const Lake::Moment built = lake.now();
    static const Lake::Moment settled = [] {
        QuietOutput quiet;
        for (int i = 0; i < 10 * SECOND; ++i) lake.subStep();
        return lake.now();
    }();
    lake.restore(seconds == 0 ? built : settled);
    return lake;
}

// Argument 0 picks the forms of the contact search: 0 the plain forms (the
// baseline), 1 the library's, 2 the library's with mesh pairs walked node pair
// by node pair instead of searched plane by plane. The library's again whatever
// a benchmark did.
class FormsInForce {
public:
    FormsInForce(const benchmark::State& state, RigidBodySimulator& simulator) : mSimulator(simulator)
    {
        const SearchForms forms[] = {SearchForms::plain(), SearchForms::library(), SearchForms::meshNodePairs()};
        simulator.searchContext().setForms(forms[state.range(0)]);
    }
    ~FormsInForce() { mSimulator.searchContext().setForms(SearchForms::library()); }

private:
    RigidBodySimulator& mSimulator;
};

bool libraryForm(const benchmark::State& state) { return state.range(0) != 0; }

void stepWater(WaterSimulator& w, float h) { w.step(h); }
using WaterStep = void (*)(WaterSimulator&, float);
WaterStep waterStepOf(const benchmark::State& state)
{
    return libraryForm(state) ? stepWater : testing_support::reference::step;
}

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Times the two halves of every body step (contact search with the impulses,
// then the integration) from inside the simulator's step.
struct BodyStepTimer : StepListener {
    void preStep(AbstractSimulator*, int, float, float) override { start = Clock::now(); }
    void afterCollision(AbstractSimulator*) override
    {
        collision += since(start);
        start = Clock::now();
    }
    void postStep(AbstractSimulator*) override { integration += since(start); }
    Clock::time_point start;
    double collision = 0, integration = 0;
};

// One simulated second: 60 sub-steps; counters give its parts in seconds per
// simulated second. Argument 1: from the start (0) or from ten seconds on (1).
void BM_PondshowSecond(benchmark::State& state)
{
    const int from = state.range(1) == 0 ? 0 : 10;
    Lake& lake = lakeAt(from);
    const FormsInForce forms(state, *lake.mSimulator);
    const WaterStep step = waterStepOf(state);
    BodyStepTimer bodies;
    lake.mSimulator->mListeners.push_back(&bodies);
    double water = 0;
    long contacts = 0;
    QuietOutput quiet;
    for (auto _ : state) {
        state.PauseTiming();
        lakeAt(from);
        state.ResumeTiming();
        for (int i = 0; i < SECOND; ++i) {
            lake.subStep([&](WaterSimulator& w, float h) {
                const Clock::time_point start = Clock::now();
                step(w, h);
                water += since(start);
            });
            contacts += long(lake.mSimulator->mContacts.size());
        }
    }
    lake.mSimulator->mListeners.clear();
    const double n = double(state.iterations());
    state.counters["water_ms"] = 1e3 * water / n;
    state.counters["contacts_impulses_ms"] = 1e3 * bodies.collision / n;
    state.counters["integration_ms"] = 1e3 * bodies.integration / n;
    state.counters["contacts_per_step"] = double(contacts) / (n * SECOND);
}
BENCHMARK(BM_PondshowSecond)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);

// The pair functions of one pair kind over all pairs of that kind, in the
// search's order, at the settled pose: argument 1 is 0 sphere-sphere, 1
// terrain-sphere, 2 bunny-sphere, 3 terrain-bunny.
void BM_PondshowContacts(benchmark::State& state)
{
    Lake& lake = lakeAt(10);
    const FormsInForce forms(state, *lake.mSimulator);
    const int kind = int(state.range(1));
    std::vector<std::pair<RigidBody*, RigidBody*>> pairs;
    const std::vector<RigidBody*>& b = lake.mSimulator->mBodies;
    for (std::size_t i = 0; i < b.size(); ++i)
        for (std::size_t j = i + 1; j < b.size(); ++j) {
            const int pairKind = i >= 2 ? 0 : i == 0 && j == 1 ? 3 : int(i) + 1;
            if (pairKind == kind) pairs.emplace_back(b[i], b[j]);
        }
    ContactList contacts;
    for (auto _ : state) {
        contacts.clear();
        for (const auto& p : pairs) lake.mSimulator->searchContext().collide(p.first, p.second, &contacts);
        benchmark::DoNotOptimize(contacts.data());
    }
    state.counters["pairs"] = double(pairs.size());
    state.counters["contacts"] = double(contacts.size());
}
BENCHMARK(BM_PondshowContacts)->ArgsProduct({{0, 1, 2}, {0, 1, 2, 3}})->Unit(benchmark::kMicrosecond);

// The whole contact search of the settled pose.
void BM_PondshowContactSearch(benchmark::State& state)
{
    Lake& lake = lakeAt(10);
    const FormsInForce forms(state, *lake.mSimulator);
    for (auto _ : state) lake.mSimulator->findContacts();
    state.counters["contacts"] = double(lake.mSimulator->mContacts.size());
}
BENCHMARK(BM_PondshowContactSearch)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// The impulses of the settled pose's contacts (each iteration from the same momenta).
void BM_PondshowImpulses(benchmark::State& state)
{
    Lake& lake = lakeAt(10);
    lake.mSimulator->findContacts();
    const ContactList found = lake.mSimulator->mContacts;
    for (auto _ : state) {
        state.PauseTiming();
        lakeAt(10);
        ContactList contacts = found;
        state.ResumeTiming();
        resolveCollisions(&contacts);
        benchmark::DoNotOptimize(contacts.data());
    }
    state.counters["contacts"] = double(found.size());
}
BENCHMARK(BM_PondshowImpulses)->Unit(benchmark::kMicrosecond);

// The water's flow alone (no drops, no coupling) and with the coupling, from
// the settled water: the coupling's share is their difference.
void waterStep(benchmark::State& state, bool coupled)
{
    Lake& lake = lakeAt(10);
    const WaterStep step = waterStepOf(state);
    const std::vector<water::WaterModifier*> modifiers = lake.mWater->mModifiers;
    lake.mWater->mModifiers.clear();
    if (!coupled) lake.mWater->mRigidBodySimulator = nullptr;
    for (auto _ : state) {
        state.PauseTiming();
        lakeAt(10);
        lake.mSimulator->clearForces();
        state.ResumeTiming();
        step(*lake.mWater, float(H));
    }
    state.counters["forces"] = double(lake.mSimulator->mForces.size());
    lake.mWater->mRigidBodySimulator = lake.mSimulator;
    lake.mWater->mModifiers = modifiers;
}
void BM_PondshowWaterFlow(benchmark::State& state) { waterStep(state, false); }
void BM_PondshowWaterCoupled(benchmark::State& state) { waterStep(state, true); }
BENCHMARK(BM_PondshowWaterFlow)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PondshowWaterCoupled)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
