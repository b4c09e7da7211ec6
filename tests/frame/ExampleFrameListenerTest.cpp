#include "frame/ExampleFrameListener.h"

#include <Overlay/OgreOverlayContainer.h>
#include <Overlay/OgreOverlayManager.h>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "HeadlessOgre.h"
#include "ScriptedInput.h"
#include "TempDirectory.h"

namespace {

using testsupport::FakeWindow;
using testsupport::HeadlessOgre;
using testsupport::ScriptedKeyboard;
using testsupport::ScriptedMouse;
using testsupport::TempDirectory;

class ScriptedListener : public ExampleFrameListener {
public:
    ScriptedListener(Ogre::RenderWindow* window, Ogre::Camera* camera, ScriptedKeyboard* keyboard,
                     ScriptedMouse* mouse)
        : ExampleFrameListener(window, camera, keyboard, mouse)
    {
    }
};

class FrameListenerTest : public ::testing::Test {
protected:
    FrameListenerTest() : window(800, 600)
    {
        camera = HeadlessOgre::sceneManager()->createCamera(HeadlessOgre::uniqueName("Camera"));
        listener.reset(new ScriptedListener(&window, camera, &keyboard, &mouse));
        ExampleFrameListener::sShowCameraDetails = false;
        Ogre::MaterialManager::getSingleton().setDefaultTextureFiltering(Ogre::TFO_BILINEAR);
        Ogre::MaterialManager::getSingleton().setDefaultAnisotropy(1);
    }
    ~FrameListenerTest() override
    {
        listener.reset();
        HeadlessOgre::sceneManager()->destroyCamera(camera);
    }

    bool frame(float dt)
    {
        Ogre::FrameEvent evt;
        evt.timeSinceLastEvent = dt;
        evt.timeSinceLastFrame = dt;
        return listener->frameRenderingQueued(evt);
    }

    // Frames of dt with the key held, then released.
    void hold(OIS::KeyCode key, int frames, float dt = 0.1f)
    {
        keyboard.press(key);
        for (int i = 0; i < frames; ++i) frame(dt);
        keyboard.release(key);
    }

    FakeWindow window;
    Ogre::Camera* camera;
    ScriptedKeyboard keyboard;
    ScriptedMouse mouse;
    std::unique_ptr<ScriptedListener> listener;
};

TEST_F(FrameListenerTest, HeldKeyReachesFullSpeedAfterOneSecond)
{
    keyboard.press(OIS::KC_W);
    for (int i = 1; i <= 10; ++i) {
        frame(0.1f);
        EXPECT_NEAR(listener->mSpeedFactor, 0.1f * i, 1e-5f) << "frame " << i;
    }
    const float z = camera->getPosition().z;
    for (int i = 0; i < 10; ++i) frame(0.1f);
    EXPECT_FLOAT_EQ(listener->mSpeedFactor, 1.0f);
    EXPECT_NEAR(camera->getPosition().z - z, -100.0f, 1e-3f);  // 100 units per second, straight ahead
}

// After release the last motion is reused, scaled again by the falling factor.
TEST_F(FrameListenerTest, ReleasedKeyCoastsToRest)
{
    hold(OIS::KC_W, 12);
    ASSERT_FLOAT_EQ(listener->mSpeedFactor, 1.0f);
    frame(0.1f);
    EXPECT_FLOAT_EQ(listener->mSpeedFactor, 0.97f);
    EXPECT_NEAR(listener->mTranslation.z, -10.0f * 0.97f, 1e-4f);
    frame(0.1f);
    EXPECT_FLOAT_EQ(listener->mSpeedFactor, 0.94f);
    EXPECT_NEAR(listener->mTranslation.z, -10.0f * 0.97f * 0.94f, 1e-4f);
    for (int i = 0; i < 40; ++i) frame(0.1f);
    EXPECT_EQ(listener->mSpeedFactor, 0.0f);
    EXPECT_EQ(listener->mTranslation, Ogre::Vector3::ZERO);
}

// The movement keys set a component; a later key of the same axis wins.
TEST_F(FrameListenerTest, LaterMovementKeyOfAnAxisWins)
{
    const struct {
        OIS::KeyCode first, second;
        Ogre::Vector3 direction;
    } cases[] = {
        {OIS::KC_A, OIS::KC_D, Ogre::Vector3::UNIT_X},
        {OIS::KC_UP, OIS::KC_S, Ogre::Vector3::UNIT_Z},
        {OIS::KC_W, OIS::KC_DOWN, Ogre::Vector3::UNIT_Z},
        {OIS::KC_PGUP, OIS::KC_PGDOWN, Ogre::Vector3::NEGATIVE_UNIT_Y},
    };
    for (const auto& c : cases) {
        keyboard.releaseAll();
        keyboard.press(c.first);
        keyboard.press(c.second);
        listener->mSpeedFactor = 0;
        frame(0.5f);
        // Scale 100 * 0.5 = 50, ramp factor 0.5.
        EXPECT_EQ(listener->mTranslation, c.direction * 25.0f) << c.first << " with " << c.second;
    }
}

// The arrow keys turn the camera at once, by the full rotate scale (36 degrees per
// second), before the speed ramp: Right to the right (negative yaw), Left to the left.
TEST_F(FrameListenerTest, ArrowKeysYawTheCameraAtOnce)
{
    const struct {
        OIS::KeyCode key;
        float degrees;
    } cases[] = {{OIS::KC_RIGHT, -3.6f}, {OIS::KC_LEFT, 3.6f}};
    for (const auto& c : cases) {
        keyboard.releaseAll();
        camera->setOrientation(Ogre::Quaternion::IDENTITY);
        listener->mSpeedFactor = 0;
        hold(c.key, 1);
        EXPECT_NEAR(camera->getOrientation().getYaw().valueDegrees(), c.degrees, 1e-4f) << c.key;
        EXPECT_NEAR(camera->getOrientation().getPitch().valueDegrees(), 0.0f, 1e-4f) << c.key;
        EXPECT_EQ(listener->mTranslation, Ogre::Vector3::ZERO) << c.key;
    }
}

TEST_F(FrameListenerTest, EscapeOrQStopsBeforeTheToggleKeys)
{
    for (OIS::KeyCode quit : {OIS::KC_ESCAPE, OIS::KC_Q}) {
        keyboard.releaseAll();
        keyboard.press(quit);
        keyboard.press(OIS::KC_F);
        EXPECT_FALSE(frame(0.1f));
        EXPECT_TRUE(listener->mStatsVisible);
    }
}

// One toggle per frame at most; a held toggle key repeats after its delay. Frame
// times of a quarter second keep the delays exact.
TEST_F(FrameListenerTest, ToggleDelayAllowsOneToggleAtATime)
{
    keyboard.press(OIS::KC_F);
    keyboard.press(OIS::KC_T);
    frame(0.25f);
    EXPECT_FALSE(listener->mStatsVisible);
    EXPECT_EQ(listener->mTextureFiltering, Ogre::TFO_BILINEAR);

    keyboard.release(OIS::KC_F);
    for (int i = 0; i < 3; ++i) frame(0.25f);
    EXPECT_EQ(listener->mTextureFiltering, Ogre::TFO_BILINEAR) << "T before the delay of F ran out";
    frame(0.25f);
    EXPECT_EQ(listener->mTextureFiltering, Ogre::TFO_TRILINEAR);

    keyboard.releaseAll();
    keyboard.press(OIS::KC_R);
    for (int i = 0; i < 7; ++i) frame(0.25f);  // T's delay of 1 s, then R at 0, 0.5 s
    EXPECT_EQ(listener->mPolygonModeIndex, 2);
}

TEST_F(FrameListenerTest, TextureFilteringCyclesTrilinearAnisotropicBilinear)
{
    const struct {
        int filtering, anisotropy;
    } expected[] = {{Ogre::TFO_TRILINEAR, 1}, {Ogre::TFO_ANISOTROPIC, 8}, {Ogre::TFO_BILINEAR, 1}};
    Ogre::MaterialManager& materials = Ogre::MaterialManager::getSingleton();
    for (const auto& e : expected) {
        hold(OIS::KC_T, 1);
        frame(1.0f);
        EXPECT_EQ(listener->mTextureFiltering, e.filtering);
        EXPECT_EQ(listener->mAnisotropy, e.anisotropy);
        EXPECT_EQ(materials.getDefaultAnisotropy(), unsigned(e.anisotropy));
    }
    EXPECT_EQ(materials.getDefaultTextureFiltering(Ogre::FT_MIN), Ogre::FO_LINEAR);
    EXPECT_EQ(materials.getDefaultTextureFiltering(Ogre::FT_MIP), Ogre::FO_POINT);
}

TEST_F(FrameListenerTest, PolygonModeCyclesWireframePointsSolid)
{
    for (Ogre::PolygonMode mode : {Ogre::PM_WIREFRAME, Ogre::PM_POINTS, Ogre::PM_SOLID}) {
        hold(OIS::KC_R, 1);
        frame(0.6f);
        EXPECT_EQ(camera->getPolygonMode(), mode);
    }
}

TEST_F(FrameListenerTest, CameraDetailsFollowTheCameraUntilPIsPressedAgain)
{
    camera->setPosition(1, 2, 3);
    hold(OIS::KC_P, 1);
    EXPECT_EQ(listener->mDebugText, "P: 1 2 3 O: 1 0 0 0");
    frame(0.6f);
    hold(OIS::KC_P, 1);
    EXPECT_EQ(listener->mDebugText, "");
    EXPECT_FALSE(ExampleFrameListener::sShowCameraDetails);
}

TEST_F(FrameListenerTest, PrintScreenNumbersTheScreenshots)
{
    const std::filesystem::path before = std::filesystem::current_path();
    const TempDirectory temp("shots");
    const std::filesystem::path& dir = temp.path();
    std::filesystem::current_path(dir);
    for (int i = 0; i < 3; ++i) {
        hold(OIS::KC_SYSRQ, 1);
        frame(0.6f);
    }
    std::filesystem::current_path(before);
    for (const char* name : {"screenshot_1.png", "screenshot_2.png", "screenshot_3.png"})
        EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
    EXPECT_FALSE(std::filesystem::exists(dir / "screenshot_4.png"));
    EXPECT_EQ(listener->mDebugText, "Saved: screenshot_3.png");
}

TEST_F(FrameListenerTest, MouseTurnsOrWithTheRightButtonPans)
{
    Ogre::FrameEvent evt{};
    mouse.move(10, -20, false);
    listener->handleMouse(evt);
    EXPECT_FLOAT_EQ(listener->mYaw.valueDegrees(), -1.3f);
    EXPECT_FLOAT_EQ(listener->mPitch.valueDegrees(), 2.6f);

    listener->mTranslation = Ogre::Vector3::ZERO;
    mouse.move(10, -20, true);
    listener->handleMouse(evt);
    EXPECT_FLOAT_EQ(listener->mTranslation.x, 1.3f);
    EXPECT_FLOAT_EQ(listener->mTranslation.y, 2.6f);
}

TEST_F(FrameListenerTest, ClosedWindowEndsTheLoopWithoutTouchingTheDevices)
{
    window.mClosed = true;
    EXPECT_FALSE(frame(0.1f));
    EXPECT_EQ(keyboard.mCaptures, 0);
    EXPECT_EQ(mouse.mCaptures, 0);
}

// The mouse follows the window's size until the window closes; a resize reported
// after that must not reach the devices that the close destroyed.
TEST_F(FrameListenerTest, ResizeAfterCloseLeavesTheDevicesAlone)
{
    EXPECT_EQ(mouse.getMouseState().width, 800);
    window.resize(1024, 768);
    listener->windowResized(&window);
    EXPECT_EQ(mouse.getMouseState().width, 1024);
    EXPECT_EQ(mouse.getMouseState().height, 768);

    listener->windowClosed(&window);
    window.resize(640, 480);
    listener->windowResized(&window);
    EXPECT_EQ(mouse.getMouseState().width, 1024);
    EXPECT_EQ(mouse.getMouseState().height, 768);
}

// A program that starts with the overlay hidden keeps wanting it visible: the
// first F hides the hidden overlay, the second shows it.
TEST_F(FrameListenerTest, FirstFOfAHiddenOverlayChangesNothingVisible)
{
    Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
    Ogre::Overlay* overlay = overlays.getByName("Core/DebugOverlay");
    if (!overlay) overlay = overlays.create("Core/DebugOverlay");
    ScriptedListener withOverlay(&window, camera, &keyboard, &mouse);
    ASSERT_EQ(withOverlay.mStatsOverlay, overlay);
    EXPECT_TRUE(overlay->isVisible());
    overlay->hide();

    Ogre::FrameEvent evt{};
    evt.timeSinceLastFrame = 1.1f;
    keyboard.press(OIS::KC_F);
    withOverlay.frameRenderingQueued(evt);
    EXPECT_FALSE(overlay->isVisible());
    withOverlay.frameRenderingQueued(evt);
    EXPECT_TRUE(overlay->isVisible());
}

// Missing overlay elements are ignored; present ones get their captions.
TEST_F(FrameListenerTest, StatisticsCaptions)
{
    Ogre::FrameEvent evt{};
    EXPECT_TRUE(listener->frameEnded(evt));

    Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
    const char* names[] = {"Core/AverageFps", "Core/CurrFps", "Core/BestFps", "Core/WorstFps",
                           "Core/NumTris",    "Core/NumBatches", "Core/DebugText"};
    for (const char* name : names)
        if (!overlays.hasOverlayElement(name)) overlays.createOverlayElement("TextArea", name);
    listener->mDebugText = "Saved: screenshot_1.png";
    window.resetStatistics();
    EXPECT_TRUE(listener->frameEnded(evt));
    EXPECT_EQ(overlays.getOverlayElement("Core/AverageFps")->getCaption(), "Average FPS: 0");
    EXPECT_EQ(overlays.getOverlayElement("Core/CurrFps")->getCaption(), "Current FPS: 0");
    EXPECT_EQ(overlays.getOverlayElement("Core/BestFps")->getCaption(), "Best FPS: 0 999999 ms");
    EXPECT_EQ(overlays.getOverlayElement("Core/WorstFps")->getCaption(), "Worst FPS: 999 0 ms");
    EXPECT_EQ(overlays.getOverlayElement("Core/NumTris")->getCaption(), "Triangle Count: 0");
    EXPECT_EQ(overlays.getOverlayElement("Core/NumBatches")->getCaption(), "Batch Count: 0");
    EXPECT_EQ(overlays.getOverlayElement("Core/DebugText")->getCaption(), "Saved: screenshot_1.png");
}

// Print Screen in a working directory of the test's own, whose
// "screenshot_1.png" the test has prepared; the error's description, if any.
class ScreenshotTest : public FrameListenerTest {
protected:
    ScreenshotTest() : temp("shots-cut") {}

    std::string screenshotFailure()
    {
        const std::filesystem::path before = std::filesystem::current_path();
        std::filesystem::current_path(temp.path());
        keyboard.press(OIS::KC_SYSRQ);
        std::string description;
        try {
            frame(0.1f);
        } catch (const Ogre::Exception& e) {
            description = e.getFullDescription();
        }
        std::filesystem::current_path(before);
        return description;
    }

    const std::filesystem::path shot() const { return temp.path() / "screenshot_1.png"; }

    // In a child process: Print Screen under a file size limit of `bytes`; exit
    // code 0 when the screenshot was reported and cut at the limit.
    [[noreturn]] void screenshotUnderSizeLimit(rlim_t bytes)
    {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string description = screenshotFailure();
        std::fprintf(stderr, "%s\n", description.c_str());
        std::exit(description.empty() || std::filesystem::file_size(shot()) != bytes ? 2 : 0);
    }

    const TempDirectory temp;
};

// Written whole, it is the window's picture.
TEST_F(ScreenshotTest, ScreenshotIsTheWindowsPicture)
{
    EXPECT_EQ(screenshotFailure(), "");
    Ogre::Image image;
    std::ifstream file(shot(), std::ios::binary);
    Ogre::DataStreamPtr stream(new Ogre::FileStreamDataStream(&file, false));
    image.load(stream, "png");
    EXPECT_EQ(image.getWidth(), 800u);
    EXPECT_EQ(image.getHeight(), 600u);
    EXPECT_NEAR(image.getColourAt(400, 300, 0).g, 0.5f, 0.01f);
    EXPECT_EQ(listener->mDebugText, "Saved: screenshot_1.png");
}

// The error leaves the listener for the entry's report, which must say which
// file: one that cannot be made, a full device that takes nothing, a FIFO that
// nobody reads and that would be waited on for good.
TEST_F(ScreenshotTest, UnwritableScreenshotIsAnOgreErrorNamingTheFile)
{
    const struct {
        const char* what;
        void (*make)(const std::filesystem::path&);
        int error;
    } cases[] = {
        {"a directory", [](const std::filesystem::path& p) { std::filesystem::create_directories(p); }, EISDIR},
        {"/dev/full", [](const std::filesystem::path& p) { std::filesystem::create_symlink("/dev/full", p); }, ENOSPC},
        {"a FIFO", [](const std::filesystem::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, ENXIO},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(shot());
        listener->mScreenshotCount = 0;
        c.make(shot());
        const std::string description = screenshotFailure();
        EXPECT_NE(description.find("cannot write the screenshot 'screenshot_1.png'"), std::string::npos)
            << description;
        EXPECT_NE(description.find(std::strerror(c.error)), std::string::npos) << description;
        EXPECT_NE(listener->mDebugText, "Saved: screenshot_1.png");
    }
}

// A file size limit cuts the screenshot off after its first bytes, as a disk
// that fills up does: the cut file is reported, not announced as saved. (In a
// child process of its own, which the limit binds.)
TEST_F(ScreenshotTest, ScreenshotCutShortIsAnOgreErrorNamingTheFile)
{
    EXPECT_EXIT(screenshotUnderSizeLimit(300),
        ::testing::ExitedWithCode(0), "cannot write the screenshot 'screenshot_1.png': .* after 300 of [0-9]+ bytes");
}

}  // namespace
