// seaview without a window: its random sequence, the palms on terrains of known
// height, its frame listener driven frame by frame with scripted devices, and its
// scene step on the generated media.
#include <Ogre.h>
#include <Overlay/OgreOverlay.h>
#include <Overlay/OgreOverlayManager.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "HeadlessOgre.h"
#include "LogCapture.h"
#include "ScriptedInput.h"
#include "TerrainScene.h"
#include "platform/hydrax/Hydrax.h"
#include "platform/hydrax/Module/ProjectedGrid.h"
#include "programs/seaview/ExampleHydraxDemoListener.h"
#include "programs/seaview/Palms.h"
#include "programs/seaview/ProgramValues.h"
#include "programs/seaview/RandomInRange.h"
#include "programs/seaview/SeaScene.h"

namespace {

using testsupport::FakeWindow;
using testsupport::HeadlessOgre;
using testsupport::LogCapture;
using testsupport::ScriptedKeyboard;
using testsupport::ScriptedMouse;
using testsupport::TerrainFolder;

void parseMaterialScript(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    Ogre::DataStreamPtr stream(new Ogre::FileStreamDataStream(&file, false));
    Ogre::MaterialManager::getSingleton().parseScript(stream, Ogre::RGN_DEFAULT);
}

// The generated palm, the water configuration and the island, and the
// hand-written materials, in the group where the program looks for them.
void loadSeaviewMedia()
{
    static const bool loaded = [] {
        for (const char* location : {MARROWFIELD_MEDIA_DIR "/meshes", MARROWFIELD_MEDIA_DIR "/water",
                                     MARROWFIELD_MEDIA_DIR "/terrain"})
            Ogre::ResourceGroupManager::getSingleton().addResourceLocation(location, "FileSystem", Ogre::RGN_DEFAULT);
        for (const char* script : {MARROWFIELD_SCRIPTS_DIR "/materials/Island.material",
                                   MARROWFIELD_SCRIPTS_DIR "/materials/Palm.material",
                                   MARROWFIELD_SCRIPTS_DIR "/water/Sky.material"})
            parseMaterialScript(script);
        return true;
    }();
    (void)loaded;
}

// A process starts with these.
void resetProgramValues()
{
    seaview::randomSeed = 801.0f;
    seaview::currentSkyBox = 0;
    seaview::hydraxInstance = nullptr;
}

// The draws of the sequence from 801, computed with the stated roundings: the
// state advanced in double and stored as a float, the value |sin| x (max - min)
// + min in double, stored as a float. The ranges are those of the first two palms.
TEST(SeaviewRandom, FirstValuesFrom801)
{
    resetProgramValues();
    const struct {
        float min, max, seed, value;
    } draws[] = {
        {500, 2500, 1346.97119140625f, 1895.220947265625f},
        {500, 2500, 2258.96435546875f, 817.130859375f},
        {-0.3f, 0.3f, 3782.3623046875f, -0.23100285232067108f},
        {50, 75, 6327.0537109375f, 52.841182708740234f},
        {500, 2500, 10577.71875f, 547.4248046875f},
        {500, 2500, 17678.05078125f, 1108.0589599609375f},
        {-0.3f, 0.3f, 29538.482421875f, 0.2651500999927521f},
        {50, 75, 49350.20703125f, 71.95354461669922f},
    };
    for (const auto& d : draws) {
        EXPECT_EQ(seaview::randomInRange(d.min, d.max), d.value) << "draw in " << d.min << " " << d.max;
        EXPECT_EQ(seaview::randomSeed, d.seed);
    }
}

// Above 1e10 after the step, the state loses 1e10 once (and stays a float).
TEST(SeaviewRandom, StateAbove1e10IsBroughtBackOnce)
{
    const struct {
        float before, after;
    } cases[] = {
        {8999999488.0f, 5033644032.0f},   // 1.5e10 after the step
        {5990000128.0f, 5726208.0f},      // just above 1e10
        {5000000000.0f, 8352025088.0f},   // stays below
        {10000000000.0f, 6704050176.0f},  // 1e10 itself is not reduced before the step
    };
    for (const auto& c : cases) {
        seaview::randomSeed = c.before;
        const float value = seaview::randomInRange(50, 75);
        EXPECT_EQ(seaview::randomSeed, c.after) << c.before;
        EXPECT_GE(value, 50.0f);
        EXPECT_LE(value, 75.0f);
    }
    resetProgramValues();
}

// A terrain scene manager over a flat square of 3000 x 3000 at a height.
struct FlatIsland {
    explicit FlatIsland(float height)
    {
        loadSeaviewMedia();
        const std::string name = HeadlessOgre::uniqueName("Flat");
        folder.writeTerrain(name, 3000, 3000, height, height, 3, 3, [](std::uint32_t, std::uint32_t) { return 0; });
        folder.publish();
        scene = testsupport::newTerrainSceneManager();
        scene->setWorldGeometry(name + ".cfg");
    }
    ~FlatIsland() { Ogre::Root::getSingleton().destroySceneManager(scene); }

    TerrainFolder folder;
    Ogre::SceneManager* scene;
};

// Where every palm stands is drawn from the sequence (z, x, tilt, scale per palm),
// so on ground in the band the draws give the palms' places one by one.
TEST(SeaviewPalms, GroundAtTheBandsEdgesTakesEveryPlace)
{
    for (const float height : {20.0f, 105.0f}) {
        FlatIsland island(height);
        resetProgramValues();
        seaview::createPalms(island.scene);

        resetProgramValues();
        Ogre::SceneNode* parent = nullptr;
        for (int k = 0; k < 12; ++k) {
            const float z = seaview::randomInRange(500, 2500);
            const float x = seaview::randomInRange(500, 2500);
            const float tilt = seaview::randomInRange(-0.3f, 0.3f);
            const float s = seaview::randomInRange(50, 75);
            const std::string name = "Palm" + std::to_string(k);
            ASSERT_TRUE(island.scene->hasEntity(name)) << name << " at height " << height;
            Ogre::Entity* palm = island.scene->getEntity(name);
            EXPECT_EQ(palm->getMesh()->getName(), "Palm.mesh");
            Ogre::SceneNode* node = palm->getParentSceneNode();
            EXPECT_EQ(node->getPosition(), Ogre::Vector3(x, height, z)) << name;
            EXPECT_EQ(node->getScale(), Ogre::Vector3(s, s, s)) << name;
            // A quarter turn about (-1, 0, tilt), normalised by the node.
            Ogre::Quaternion turn;
            turn.FromAngleAxis(Ogre::Degree(90), Ogre::Vector3(-1, 0, tilt));
            turn.normalise();
            for (const Ogre::Vector3& axis : {Ogre::Vector3::UNIT_X, Ogre::Vector3::UNIT_Z})
                EXPECT_TRUE((node->getOrientation() * axis).positionEquals(turn * axis, 1e-5f)) << name;
            if (k == 0) parent = node->getParentSceneNode();
            EXPECT_EQ(node->getParentSceneNode(), parent) << name;
        }
        EXPECT_EQ(parent->getParentSceneNode(), island.scene->getRootSceneNode());
        EXPECT_EQ(parent->getPosition(), Ogre::Vector3::ZERO);
        EXPECT_FALSE(island.scene->hasEntity("Palm12"));
    }
}

// Ground just outside the band is refused at every place: the search gives up
// after its bound, says so in the log, and has drawn two values per place.
TEST(SeaviewPalms, GroundJustOutsideTheBandHasNoShore)
{
    for (const float height : {19.99f, 105.01f}) {
        FlatIsland island(height);
        resetProgramValues();
        LogCapture log;
        seaview::createPalms(island.scene);
        EXPECT_FALSE(island.scene->hasEntity("Palm0")) << height;
        EXPECT_TRUE(log.contains("No shore between heights 20 and 105 found in 10000 places: 0 of 12 palms placed."))
            << height;

        const float reached = seaview::randomSeed;
        resetProgramValues();
        for (int i = 0; i < 2 * seaview::MAX_REFUSED_PLACES; ++i) seaview::randomInRange(500, 2500);
        EXPECT_EQ(reached, seaview::randomSeed);
    }
    resetProgramValues();
}

// The demo listener with scripted devices on a window of its own.
class ScriptedDemoListener : public seaview::ExampleHydraxDemoListener {
public:
    ScriptedDemoListener(Ogre::RenderWindow* window, Ogre::Camera* camera, Ogre::SceneManager* sceneManager,
                         ScriptedKeyboard* keyboard, ScriptedMouse* mouse)
        : ExampleHydraxDemoListener(window, camera, sceneManager, keyboard, mouse)
    {
    }
};

// The listener over a flat island at height 50, with the light, the sky box
// materials and a water layer (without water: its update does nothing).
class DemoListenerTest : public ::testing::Test {
protected:
    DemoListenerTest() : island(50), window(800, 600)
    {
        resetProgramValues();
        camera = island.scene->createCamera("PlayerCam");
        island.scene->createLight("Light0");
        seaview::hydraxInstance = new Hydrax::Hydrax(island.scene, camera, nullptr);
        listener.reset(new ScriptedDemoListener(&window, camera, island.scene, &keyboard, &mouse));
    }
    ~DemoListenerTest() override
    {
        listener.reset();
        delete seaview::hydraxInstance;
        resetProgramValues();
    }

    bool frame(float dt)
    {
        Ogre::FrameEvent evt{};
        evt.timeSinceLastFrame = dt;
        return listener->frameStarted(evt);
    }

    std::string skyBoxMaterial() const
    {
        auto* box = static_cast<Ogre::ManualObject*>(island.scene->getSkyBoxNode()->getAttachedObject(0));
        return box->getSection(0)->getMaterialName();
    }

    FlatIsland island;
    FakeWindow window;
    Ogre::Camera* camera;
    ScriptedKeyboard keyboard;
    ScriptedMouse mouse;
    std::unique_ptr<ScriptedDemoListener> listener;
};

TEST_F(DemoListenerTest, ChangeSkyBoxAppliesTheTablesEntry)
{
    const struct {
        const char* material;
        Ogre::Vector3 sun;
        Ogre::Vector3 colour;
        const char* line;
    } entries[] = {
        {"Sky/ClubTropicana", {0, 10000, 0}, {1, 0.9f, 0.6f}, "Skybox Sky/ClubTropicana selected. (1/3)"},
        {"Sky/EarlyMorning", {0, 10000, 90000}, {1, 0.6f, 0.4f}, "Skybox Sky/EarlyMorning selected. (2/3)"},
        {"Sky/Clouds", {0, 10000, 0}, {0.45f, 0.45f, 0.45f}, "Skybox Sky/Clouds selected. (3/3)"},
    };
    for (int i = 0; i < 3; ++i) {
        LogCapture log;
        seaview::currentSkyBox = i;
        listener->changeSkyBox();
        EXPECT_TRUE(island.scene->isSkyBoxEnabled());
        EXPECT_EQ(skyBoxMaterial(), entries[i].material);
        EXPECT_EQ(island.scene->getSkyBoxGenParameters().skyBoxDistance, 299997);
        EXPECT_EQ(seaview::hydraxInstance->getSunPosition(), entries[i].sun);
        EXPECT_EQ(seaview::hydraxInstance->getSunColor(), entries[i].colour);
        Ogre::Light* light = island.scene->getLight("Light0");
        EXPECT_EQ(light->getPosition(), entries[i].sun);
        EXPECT_EQ(light->getSpecularColour(),
                  Ogre::ColourValue(entries[i].colour.x, entries[i].colour.y, entries[i].colour.z));
        EXPECT_TRUE(log.contains(entries[i].line)) << entries[i].line;
        EXPECT_EQ(log.countStartingWith("Skybox "), 1);
    }
}

// Held from the start, M switches at once (the delay starts at -1), then at the
// first frame that starts more than half a second after the last switch.
TEST_F(DemoListenerTest, HeldMSwitchesEveryHalfSecondAtMost)
{
    LogCapture log;
    keyboard.press(OIS::KC_M);
    std::vector<int> boxes;
    for (int i = 0; i < 9; ++i) {
        EXPECT_TRUE(frame(0.25f));
        boxes.push_back(seaview::currentSkyBox);
    }
    // Switches at 0, 0.75 and 1.5 s: at 0.5 s the delay is exactly 0, not below.
    EXPECT_EQ(boxes, (std::vector<int>{1, 1, 1, 2, 2, 2, 0, 0, 0}));
    EXPECT_EQ(log.countStartingWith("Skybox "), 3);
    EXPECT_TRUE(log.contains("Skybox Sky/EarlyMorning selected. (2/3)"));
    EXPECT_GE(keyboard.mCaptures, 9);

    // Released, the delay runs out; the next press switches at once.
    keyboard.release(OIS::KC_M);
    frame(0.25f);
    frame(0.25f);
    keyboard.press(OIS::KC_M);
    frame(0.01f);
    EXPECT_EQ(seaview::currentSkyBox, 1);
}

TEST_F(DemoListenerTest, CameraStaysThirtyUnitsAboveTheGround)
{
    const struct {
        Ogre::Vector3 start;
        float expectedY;
    } cases[] = {
        {{1000, 60, 1000}, 80},     // lifted to exactly ground + 30
        {{1000, -500, 2000}, 80},   // from below the ground too
        {{1000, 80, 1000}, 80},     // at ground + 30 it is left alone
        {{1000, 300, 1000}, 300},   // above, left alone
        {{-100, 10, 1000}, 10},     // no ground below: left alone
    };
    for (const auto& c : cases) {
        camera->setPosition(c.start);
        frame(0.1f);
        EXPECT_EQ(camera->getPosition(), Ogre::Vector3(c.start.x, c.expectedY, c.start.z)) << c.start;
    }
}

TEST_F(DemoListenerTest, OverlayIsHiddenEveryFrame)
{
    Ogre::Overlay* overlay = Ogre::OverlayManager::getSingleton().getByName("Core/DebugOverlay");
    if (!overlay) overlay = Ogre::OverlayManager::getSingleton().create("Core/DebugOverlay");
    ScriptedDemoListener second(&window, camera, island.scene, &keyboard, &mouse);
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_TRUE(second.mStatsVisible);
    overlay->show();
    Ogre::FrameEvent evt{};
    evt.timeSinceLastFrame = 0.1f;
    second.frameStarted(evt);
    EXPECT_FALSE(overlay->isVisible());
    Ogre::OverlayManager::getSingleton().destroy(overlay);
}

// After the window's close the devices are gone: the next frame ends the loop
// before it reads them.
TEST_F(DemoListenerTest, ClosedWindowEndsTheLoopWithoutInput)
{
    const int captures = keyboard.mCaptures;
    window.mClosed = true;
    listener->windowClosed(&window);
    keyboard.press(OIS::KC_M);
    EXPECT_FALSE(frame(0.1f));
    EXPECT_EQ(keyboard.mCaptures, captures);
    EXPECT_EQ(seaview::currentSkyBox, 0);
}

// The generated island has its shore where the sequence from 801 looks for it:
// all twelve palms stand on it, none given up.
TEST(SeaviewScene, PalmsFindTheirShoreOnTheGeneratedIsland)
{
    loadSeaviewMedia();
    platform::TerrainSceneManager* scene = testsupport::newTerrainSceneManager();
    scene->setWorldGeometry("Island.cfg");
    resetProgramValues();
    LogCapture log;
    seaview::createPalms(scene);
    EXPECT_EQ(log.countStartingWith("No shore"), 0);
    for (int k = 0; k < 12; ++k) {
        const std::string name = "Palm" + std::to_string(k);
        ASSERT_TRUE(scene->hasEntity(name)) << name;
        const Ogre::Vector3 p = scene->getEntity(name)->getParentSceneNode()->getPosition();
        EXPECT_TRUE(p.x >= 500 && p.x <= 2500 && p.z >= 500 && p.z <= 2500) << name << " " << p;
        EXPECT_TRUE(seaview::isShoreHeight(p.y)) << name << " " << p;
    }
    resetProgramValues();
    Ogre::Root::getSingleton().destroySceneManager(scene);
}

// The island keeps drawing with its own technique; the water's comes after it.
TEST(SeaviewScene, IslandGetsTheDepthTechniqueAfterItsOwn)
{
    loadSeaviewMedia();
    Ogre::MaterialPtr island = Ogre::MaterialManager::getSingleton().getByName("Island");
    ASSERT_TRUE(island);
    const unsigned short techniques = island->getNumTechniques();
    Ogre::Technique* own = island->getTechnique(0);
    Ogre::Camera* camera = HeadlessOgre::sceneManager()->createCamera(HeadlessOgre::uniqueName("Camera"));
    {
        Hydrax::Hydrax hydrax(HeadlessOgre::sceneManager(), camera, nullptr);
        seaview::addIslandDepthTechnique(&hydrax);
        EXPECT_EQ(island->getNumTechniques(), techniques + 1);
        EXPECT_EQ(island->getTechnique(0), own);
        EXPECT_EQ(island->getTechnique(techniques)->getSchemeName(), Hydrax::MaterialManager::DEPTH_SCHEME);
    }
    island->removeTechnique(techniques);
    HeadlessOgre::sceneManager()->destroyCamera(camera);
}

TEST(SeaviewScene, MissingIslandMaterialIsNamed)
{
    loadSeaviewMedia();
    Ogre::MaterialManager& materials = Ogre::MaterialManager::getSingleton();
    ASSERT_TRUE(materials.getByName("Island"));
    materials.remove("Island", Ogre::RGN_DEFAULT);

    Ogre::Camera* camera = HeadlessOgre::sceneManager()->createCamera(HeadlessOgre::uniqueName("Camera"));
    {
        Hydrax::Hydrax hydrax(HeadlessOgre::sceneManager(), camera, nullptr);
        try {
            seaview::addIslandDepthTechnique(&hydrax);
            ADD_FAILURE() << "no exception";
        } catch (const Ogre::Exception& e) {
            EXPECT_NE(e.getDescription().find("\"Island\""), std::string::npos) << e.getDescription();
        }
    }
    HeadlessOgre::sceneManager()->destroyCamera(camera);

    // Back for the other tests of this process.
    parseMaterialScript(MARROWFIELD_SCRIPTS_DIR "/materials/Island.material");
}

}  // namespace
