// The water programs' frame step on a scripted clock and scripted draws, over a
// small flat water with and without a floating body, and the shell's refusal of
// a body placed where another lies.
#include "frame/WaterShell.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "HeadlessOgre.h"
#include "HeadlessScene.h"
#include "WaterScene.h"
#include "assets/HydraxGrid.h"
#include "frame/CouplingCamera.h"
#include "platform/hydrax/Noise/Perlin.h"
#include "ScriptedDraws.h"

namespace {

using namespace physics;
using namespace physics::rigidbody;
using testsupport::HeadlessOgre;

using testsupport::script;
using testsupport::scriptedDraw;

// What one frame did, in order: "water" for each water step (with the forces
// the simulator held as it began), "bodies" for each body step (with the
// forces it integrates).
struct Event {
    std::string what;
    std::size_t forces;
    float t0, t1;
};

struct Recorder : water::WaterModifier, StepListener {
    void apply(float dt, water::WaterSimulator* w) override
    {
        events.push_back({"water", simulator ? simulator->mForces.size() : 0, dt, 0});
        depthAtDrop.push_back(w->mDepth(7, 8));
    }
    void preStep(AbstractSimulator*, int, float t0, float t1) override
    {
        events.push_back({"bodies", simulator->mForces.size(), t0, t1});
    }
    void afterCollision(AbstractSimulator*) override {}
    void postStep(AbstractSimulator*) override {}

    int count(const std::string& what) const
    {
        int n = 0;
        for (const Event& e : events) n += e.what == what;
        return n;
    }

    RigidBodySimulator* simulator = nullptr;
    std::vector<Event> events;
    std::vector<float> depthAtDrop;
};

// Flat water of 17 cells over 16 units, 10 deep; with a body, a sphere half
// under its surface.
class SmallWater : public WaterShell {
public:
    static Settings settings(Drops drops, double step)
    {
        Settings s;
        s.camera = createCouplingCamera;
        s.terrainMeshSamples = 0;
        s.waterSize = 16;
        s.waterCells = 17;
        s.light = Light::SUN_LIGHT;
        s.drops = drops;
        s.step = step;
        s.statsShownAtStart = false;
        return s;
    }

    SmallWater(Drops drops, double step, bool withBody) : WaterShell(settings(drops, step)), mWithBody(withBody) {}

    // The scene without its light and sky box, which need a render system.
    void build(Recorder* recorder)
    {
        mRecorder = recorder;
        createWorld();
        createBodies();
        createWater();
        addWaterModifiers();
        createBodyDrawings();
        createWaterDrawing();
    }

    void frame(float dt)
    {
        Ogre::FrameEvent evt{};
        evt.timeSinceLastFrame = dt;
        updateSimulation(evt);
    }

    double noiseTime() const
    {
        return static_cast<Hydrax::Noise::Perlin*>(mHydrax->getModule()->getNoise())->getTime();
    }


protected:
    void createBodies() override
    {
        if (!mWithBody) return;
        createSimulator();
        SphereBody* sphere = new SphereBody();
        initSphere(sphere, 0.3f, 0.5f);
        placeBody(sphere, "floating sphere", {0, 10, 0});
        mSimulator->commitBodies();
        mRecorder->simulator = mSimulator;
        mSimulator->mListeners.push_back(mRecorder);
    }
    void addWaterModifiers() override { mWater->addModifier(mRecorder); }
    void createBodyDrawings() override
    {
        if (mSimulator) createBodyNodes();
    }

private:
    bool mWithBody;
    Recorder* mRecorder = nullptr;
};

class WaterShellTest : public ::testing::Test {
protected:
    void build(WaterShell::Drops drops, double step, bool withBody)
    {
        testsupport::defineSphereMesh();
        shell.reset(new Shell(drops, step, withBody));
        shell->prepare(HeadlessOgre::newSceneManager());
        shell->build(&recorder);
    }
    ~WaterShellTest() override
    {
        if (!shell) return;
        // The recorder is the test's, not the scene's.
        shell->mWater->mModifiers.clear();
        if (shell->mSimulator) shell->mSimulator->mListeners.clear();
        testsupport::releaseWaterScene(*shell);
        script.clear();
    }

    using Shell = testsupport::HeadlessWaterProgram<SmallWater>;
    Recorder recorder;
    std::unique_ptr<Shell> shell;
};

TEST_F(WaterShellTest, FirstFrameOnlyStartsTheClockAndShowsTheWaterAsBuilt)
{
    build(WaterShell::Drops::FROM_MODIFIERS, 1.0 / 60.0, true);
    const float minimum = shell->mWater->mMinSurface, maximum = shell->mWater->mMaxSurface;
    shell->mSimulator->addForce(Vector3{0, 0, 0}, Vector3{0, 1, 0}, shell->mSimulator->getBody(0));

    shell->frame(0.25f);
    EXPECT_TRUE(recorder.events.empty()) << "no water or body step";
    EXPECT_EQ(shell->mRealTime, double(0.25f));
    EXPECT_EQ(shell->mSimTime, shell->mRealTime);
    EXPECT_TRUE(shell->mSimulator->mForces.empty()) << "the frame clears the forces first";
    EXPECT_EQ(shell->mHydrax->getPosition(), Ogre::Vector3(0, minimum, 0));
    EXPECT_EQ(shell->mHydrax->getPlanesError(), float(double(maximum) - minimum));
    EXPECT_EQ(shell->noiseTime(), 2 * double(0.25f)) << "the layer is updated twice";
    // The node shows the body's first pose.
    ASSERT_EQ(shell->mNodes.size(), 1u);
    EXPECT_EQ(shell->mNodes[0]->getPosition(), Ogre::Vector3(0, 10, 0));
}

// Each sub-step clears the forces, steps the water (whose coupling adds the
// sphere's buoyancy) and then the bodies, which integrate those forces.
TEST_F(WaterShellTest, SubStepsClearWaterThenBodies)
{
    build(WaterShell::Drops::FROM_MODIFIERS, 1.0 / 60.0, true);
    shell->frame(0.01f);
    shell->frame(0.5f);
    const int steps = recorder.count("water");
    EXPECT_TRUE(steps == 29 || steps == 30) << steps;
    ASSERT_EQ(recorder.events.size(), 2u * steps);
    double simTime = double(0.01f);
    for (int i = 0; i < steps; ++i) {
        SCOPED_TRACE(i);
        const Event& water = recorder.events[2 * i];
        const Event& bodies = recorder.events[2 * i + 1];
        EXPECT_EQ(water.what, "water");
        EXPECT_EQ(water.forces, 0u);
        EXPECT_EQ(water.t0, 0.016666668f) << "the water's step as a float";
        EXPECT_EQ(bodies.what, "bodies");
        EXPECT_GT(bodies.forces, 0u) << "the coupling's forces reach the body step";
        EXPECT_EQ(bodies.t0, float(simTime));
        EXPECT_EQ(bodies.t1, float(simTime + 1.0 / 60.0));
        simTime += 1.0 / 60.0;
    }
    EXPECT_EQ(shell->mSimTime, simTime);
    EXPECT_EQ(shell->mHydrax->getPosition(), Ogre::Vector3(0, shell->mWater->mMinSurface, 0));
    EXPECT_EQ(shell->noiseTime(), 2 * double(0.01f) + 2 * double(0.5f));
    const Vector3& p = shell->mSimulator->getBody(0)->position;
    EXPECT_EQ(shell->mNodes[0]->getPosition(), Ogre::Vector3(p.x, p.y, p.z));
    EXPECT_NE(p.y, 10.0f) << "the sphere moved";
}

// Without bodies the sub-steps step only the water: 0.1 s of frame gives 5 or 6
// steps of 1/60 s, 2 or 3 of 1/30 s.
TEST_F(WaterShellTest, WaterOnlySubSteps)
{
    const struct {
        double step;
        float waterStep;
        int fewest;
    } cases[] = {{1.0 / 60.0, 0.016666668f, 5}, {1.0 / 30.0, 0.033333335f, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        build(WaterShell::Drops::FROM_MODIFIERS, c.step, false);
        shell->frame(0.02f);
        shell->frame(0.1f);
        const int steps = recorder.count("water");
        EXPECT_TRUE(steps == c.fewest || steps == c.fewest + 1) << steps;
        EXPECT_EQ(recorder.count("bodies"), 0);
        for (const Event& e : recorder.events) EXPECT_EQ(e.t0, c.waterStep);
        EXPECT_EQ(shell->noiseTime(), 2 * double(0.02f) + 2 * double(0.1f));
        EXPECT_TRUE(shell->mNodes.empty());
        shell->mWater->mModifiers.clear();
        testsupport::releaseWaterScene(*shell);
        shell.reset();
        recorder.events.clear();
    }
}

// One draw a frame, before the clock: a drop (four draws of its own) when
// dt x 0.5 x 32767 reaches the draw, on the first frame too.
TEST_F(WaterShellTest, DropDrawnEveryFrameBeforeTheClock)
{
    build(WaterShell::Drops::EVERY_FRAME, 1.0 / 60.0, true);
    shell->mDraw = scriptedDraw;
    const float depth = shell->mWater->mDepth(7, 8);

    // 273 <= 273.06: a drop at cell 7 / 8 of 2 x 2 cells (6 to 7, 7 to 8), 0.51 deep.
    script = {273, 16383, 16384, 0, 16383};
    testing::internal::CaptureStdout();
    shell->frame(1.0f / 60.0f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "add random drop at 7 / 8\n");
    EXPECT_TRUE(script.empty());
    EXPECT_TRUE(recorder.events.empty()) << "the first frame steps nothing";
    EXPECT_GT(shell->mWater->mDepth(7, 8), depth) << "the drop changed the water before any step";

    // 274 > 273.06: no drop, one draw.
    script = {274};
    testing::internal::CaptureStdout();
    shell->frame(1.0f / 60.0f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(script.empty());

    // A frame of no time drops only for a draw of 0, and before its steps: the
    // water step of this frame sees the drop's depth.
    script = {1};
    shell->frame(0.0f);
    EXPECT_TRUE(script.empty());
    script = {0, 16383, 16384, 0, 32767};
    recorder.depthAtDrop.clear();
    testing::internal::CaptureStdout();
    shell->frame(0.03f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "add random drop at 7 / 8\n");
    ASSERT_FALSE(recorder.depthAtDrop.empty());
    EXPECT_GT(recorder.depthAtDrop.front(), depth + 0.9f) << "the amount 1 was there before the first water step";
}

// The programs that place one body at one fixed place do it once: a body there
// already ends the scene, naming the body and the place.
TEST(WaterShell, BodyPlacedOnAnotherEndsTheScene)
{
    class Crowded : public WaterShell {
    public:
        Crowded() : WaterShell(SmallWater::settings(Drops::EVERY_FRAME, 1.0 / 60.0)) {}
        void createBodies() override
        {
            createSimulator();
            SphereBody* first = new SphereBody();
            initSphere(first, 0.3f, 0.5f);
            placeBody(first, "first sphere", {0, 10.5f, 0});
            SphereBody* second = new SphereBody();
            initSphere(second, 0.3f, 0.5f);
            placeBody(second, "second sphere", {0, 10.5f, 0});
        }
    } crowded;
    try {
        crowded.createBodies();
        FAIL() << "no exception";
    } catch (const Ogre::Exception& e) {
        EXPECT_NE(e.getDescription().find("the second sphere (body 1) cannot be placed at (0, 10.5, 0)"), std::string::npos)
            << e.getDescription();
    }
    ASSERT_EQ(crowded.mSimulator->mPendingBodies.size(), 1u) << "the refused body is not queued";
    testsupport::deleteBody(crowded.mSimulator->mPendingBodies[0]);
    testsupport::deleteSimulator(crowded.mSimulator);
}

}  // namespace
