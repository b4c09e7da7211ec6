#include "frame/TestShell.h"

#include <Overlay/OgreOverlayManager.h>

#include <gtest/gtest.h>

#include <memory>

#include "HeadlessOgre.h"
#include "LogCapture.h"
#include "ScriptedInput.h"

namespace {

using testsupport::FakeWindow;
using testsupport::HeadlessOgre;
using testsupport::ScriptedKeyboard;
using testsupport::ScriptedMouse;

// A shell on the test process's root, which it must not delete.
class Shell : public TestShell {
public:
    using TestShell::mStatsShownAtStart;
    using TestShell::mUsesTerrainSceneManager;

    Shell() { mRoot = Ogre::Root::getSingletonPtr(); }
    ~Shell() override
    {
        if (mSceneMgr) mRoot->destroySceneManager(mSceneMgr);
        mRoot = nullptr;
    }

    void createScene() override {}
    void updateSimulation(const Ogre::FrameEvent& evt) override
    {
        ++mSteps;
        mLastFrameTime = evt.timeSinceLastFrame;
    }

    int mSteps = 0;
    float mLastFrameTime = 0;
};

// Stands in for the terrain plug-in's factory, which the headless root lacks.
class TerrainFactory : public Ogre::SceneManagerFactory {
public:
    Ogre::SceneManager* createInstance(const Ogre::String& name) override
    {
        made = OGRE_NEW Ogre::DefaultSceneManager(name);
        return made;
    }
    void destroyInstance(Ogre::SceneManager* instance) override { OGRE_DELETE instance; }

    Ogre::SceneManager* made = nullptr;

protected:
    void initMetaData() const override { mMetaData.typeName = "TerrainSceneManager"; }
};

TEST(TestShell, GenericSceneManagerUnlessTheProgramHasTerrain)
{
    TerrainFactory terrain;
    Ogre::Root::getSingleton().addSceneManagerFactory(&terrain);
    {
        Shell generic;
        generic.chooseSceneManager();
        ASSERT_NE(generic.mSceneMgr, nullptr);
        EXPECT_EQ(generic.mSceneMgr->getName(), "ExampleSMInstance");
        EXPECT_EQ(generic.mSceneMgr->getTypeName(), Ogre::DefaultSceneManagerFactory::FACTORY_TYPE_NAME);
        EXPECT_EQ(terrain.made, nullptr);

        Shell withTerrain;
        withTerrain.mUsesTerrainSceneManager = true;
        withTerrain.chooseSceneManager();
        ASSERT_NE(withTerrain.mSceneMgr, nullptr);
        EXPECT_EQ(withTerrain.mSceneMgr, terrain.made);
        EXPECT_NE(withTerrain.mSceneMgr->getName(), "");  // chosen by Ogre
    }
    Ogre::Root::getSingleton().removeSceneManagerFactory(&terrain);
}

class ScriptedListener : public TestShell::MyListener {
public:
    ScriptedListener(Ogre::RenderWindow* window, Ogre::Camera* camera, TestShell* app, ScriptedKeyboard* keyboard,
                     ScriptedMouse* mouse)
        : MyListener(window, camera, app, keyboard, mouse)
    {
    }
};

class MyListenerTest : public ::testing::Test {
protected:
    MyListenerTest() : window(800, 600)
    {
        camera = HeadlessOgre::sceneManager()->createCamera(HeadlessOgre::uniqueName("Camera"));
        Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
        overlay = overlays.getByName("Core/DebugOverlay");
        if (!overlay) overlay = overlays.create("Core/DebugOverlay");
        overlay->show();
    }
    ~MyListenerTest() override
    {
        listener.reset();
        HeadlessOgre::sceneManager()->destroyCamera(camera);
        Ogre::MaterialManager::getSingleton().setDefaultTextureFiltering(Ogre::TFO_BILINEAR);
        Ogre::MaterialManager::getSingleton().setDefaultAnisotropy(1);
    }

    void start(bool statsShown)
    {
        shell.mStatsShownAtStart = statsShown;
        listener.reset(new ScriptedListener(&window, camera, &shell, &keyboard, &mouse));
    }

    // A frame long enough for every toggle delay to have run out.
    void frame()
    {
        Ogre::FrameEvent evt{};
        evt.timeSinceLastFrame = 1.1f;
        listener->frameRenderingQueued(evt);
    }

    FakeWindow window;
    Ogre::Camera* camera;
    Ogre::Overlay* overlay;
    Shell shell;
    ScriptedKeyboard keyboard;
    ScriptedMouse mouse;
    std::unique_ptr<ScriptedListener> listener;
};

// The overlay starts hidden while mStatsVisible stays true: the first F hides the
// hidden overlay, the second shows it.
TEST_F(MyListenerTest, OverlayHiddenAtStartStillWantedVisible)
{
    start(false);
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_TRUE(listener->mStatsVisible);

    keyboard.press(OIS::KC_F);
    frame();
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_FALSE(listener->mStatsVisible);
    frame();
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_TRUE(listener->mStatsVisible);
}

TEST_F(MyListenerTest, TShowsTheOverlayHiddenAtStart)
{
    start(false);
    keyboard.press(OIS::KC_T);
    frame();
    EXPECT_TRUE(overlay->isVisible());
}

TEST_F(MyListenerTest, OverlayShownAtStartWhereTheProgramAsks)
{
    start(true);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_TRUE(listener->mStatsVisible);
}

TEST_F(MyListenerTest, FrameStartedRunsTheProgramsStepAndNeverEndsTheLoop)
{
    start(false);
    Ogre::FrameEvent evt{};
    evt.timeSinceLastFrame = 0.25f;
    EXPECT_TRUE(listener->frameStarted(evt));
    EXPECT_EQ(shell.mSteps, 1);
    EXPECT_EQ(shell.mLastFrameTime, 0.25f);
}

// A program whose every step costs `mCost` seconds of work on a driven clock.
class SlowProgram : public Shell {
public:
    explicit SlowProgram(double cost) : mCost(cost) { mWorkClock = [this] { return mWork; }; }
    void updateSimulation(const Ogre::FrameEvent& evt) override
    {
        advanceClock(evt.timeSinceLastFrame, 1.0, 1.0 / 120, [this](float, float) {
            ++mSteps;
            mWork += mCost;
        });
    }
    void frame(float dt)
    {
        Ogre::FrameEvent evt{};
        evt.timeSinceLastFrame = dt;
        updateSimulation(evt);
    }

    double mCost;
    double mWork = 0;
};

// Steps of a second each: every frame takes one and drops what else it owes, so
// frames keep coming (and keys keep being read); the log says it the first time.
TEST(TestShell, SimulationThatCannotKeepUpDropsItsBacklogAndSaysSoOnce)
{
    testsupport::LogCapture log;
    SlowProgram program(1.0);
    program.frame(0.0f);
    for (int i = 1; i <= 3; ++i) {
        program.frame(2.0f);
        EXPECT_EQ(program.mSteps, i);
        EXPECT_GE(program.mSimTime + 1.0 / 120, program.mRealTime);
    }
    EXPECT_EQ(log.countStartingWith("The simulation cannot keep up"), 1);
}

TEST(TestShell, SimulationThatKeepsUpTakesEveryStepWithoutAWord)
{
    testsupport::LogCapture log;
    SlowProgram program(0.001);
    program.frame(0.0f);
    program.frame(0.4f);
    EXPECT_TRUE(program.mSteps == 47 || program.mSteps == 48) << program.mSteps;
    EXPECT_EQ(log.countStartingWith("The simulation cannot keep up"), 0);
}

}  // namespace
