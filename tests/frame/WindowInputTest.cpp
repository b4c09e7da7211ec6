#include "frame/WindowInput.h"

#include <gtest/gtest.h>

#include <memory>

#include "frame/ExampleFrameListener.h"
#include "HeadlessOgre.h"
#include "ScriptedInput.h"

namespace {

using testsupport::FakeWindow;
using testsupport::HeadlessOgre;
using testsupport::ScriptedKeyboard;
using testsupport::ScriptedMouse;

// Counts the log lines that announce an input system.
class OisLines : public Ogre::LogListener {
public:
    OisLines() { Ogre::LogManager::getSingleton().getDefaultLog()->addListener(this); }
    ~OisLines() override { Ogre::LogManager::getSingleton().getDefaultLog()->removeListener(this); }
    void messageLogged(const Ogre::String& message, Ogre::LogMessageLevel level, bool maskDebug,
                       const Ogre::String&, bool&) override
    {
        if (message == "*** Initializing OIS ***" && level == Ogre::LML_NORMAL && !maskDebug) ++count;
    }
    int count = 0;
};

// Two listeners of one window, made the way the programs make them; the window's
// input is the test's scripted devices, registered before either listener exists.
class TwoListenersTest : public ::testing::Test {
protected:
    TwoListenersTest() : window(800, 600)
    {
        camera = HeadlessOgre::sceneManager()->createCamera(HeadlessOgre::uniqueName("Camera"));
        input = WindowInput::open(&window, &keyboard, &mouse);
        first.reset(new ExampleFrameListener(&window, camera));
        second.reset(new ExampleFrameListener(&window, camera));
    }
    ~TwoListenersTest() override
    {
        first.reset();
        second.reset();
        input.reset();
        HeadlessOgre::sceneManager()->destroyCamera(camera);
    }

    // One frame as Ogre runs it: every listener in turn.
    void frame(float dt)
    {
        Ogre::FrameEvent evt{};
        evt.timeSinceLastFrame = dt;
        firstResult = first->frameRenderingQueued(evt);
        secondResult = second->frameRenderingQueued(evt);
    }

    OisLines oisLines;
    FakeWindow window;
    Ogre::Camera* camera;
    ScriptedKeyboard keyboard;
    ScriptedMouse mouse;
    std::shared_ptr<WindowInput> input;
    std::unique_ptr<ExampleFrameListener> first, second;
    bool firstResult = true, secondResult = true;
};

TEST_F(TwoListenersTest, EachLogsTheInputSystemAndBothShareIt)
{
    EXPECT_EQ(oisLines.count, 2);
    EXPECT_EQ(first->mKeyboard, &keyboard);
    EXPECT_EQ(second->mKeyboard, &keyboard);
    EXPECT_EQ(first->mMouse, &mouse);
    EXPECT_EQ(second->mMouse, &mouse);
    EXPECT_EQ(WindowInput::open(&window).get(), input.get());
}

// The devices are captured once a frame, by whichever listener runs first, so the
// mouse motion since the last frame reaches both: a second capture would report none.
TEST_F(TwoListenersTest, BothSeeTheSameKeysAndMouseMotionEveryFrame)
{
    keyboard.press(OIS::KC_W);
    for (int i = 0; i < 3; ++i) {
        mouse.queueMotion(10, -20);
        frame(0.1f);
        EXPECT_EQ(mouse.mCaptures, i + 1);
        EXPECT_EQ(keyboard.mCaptures, i + 1);
        for (ExampleFrameListener* listener : {first.get(), second.get()}) {
            EXPECT_FLOAT_EQ(listener->mYaw.valueDegrees(), -1.3f) << "frame " << i;
            EXPECT_FLOAT_EQ(listener->mPitch.valueDegrees(), 2.6f) << "frame " << i;
            EXPECT_FLOAT_EQ(listener->mTranslation.z, -10.0f * 0.1f * (i + 1)) << "frame " << i;
        }
    }
    // No motion queued: both see the mouse at rest.
    frame(0.1f);
    EXPECT_EQ(first->mYaw.valueDegrees(), 0.0f);
    EXPECT_EQ(second->mYaw.valueDegrees(), 0.0f);
}

// Whichever listener Ogre calls first captures: the order may change from frame to frame.
TEST_F(TwoListenersTest, TheFirstListenerOfAFrameCaptures)
{
    Ogre::FrameEvent evt{};
    evt.timeSinceLastFrame = 0.1f;
    mouse.queueMotion(4, 0);
    second->frameRenderingQueued(evt);
    first->frameRenderingQueued(evt);
    EXPECT_EQ(mouse.mCaptures, 1);
    EXPECT_FLOAT_EQ(first->mYaw.valueDegrees(), float(-4 * 0.13));
    mouse.queueMotion(0, 8);
    first->frameRenderingQueued(evt);
    second->frameRenderingQueued(evt);
    EXPECT_EQ(mouse.mCaptures, 2);
    EXPECT_FLOAT_EQ(second->mPitch.valueDegrees(), float(-8 * 0.13));
    EXPECT_EQ(second->mYaw.valueDegrees(), 0.0f);
}

// The close reaches every listener; the devices go with the first report and no
// listener reads them afterwards.
TEST_F(TwoListenersTest, ClosedWindowClosesTheInputForBoth)
{
    window.mClosed = true;
    first->windowClosed(&window);
    EXPECT_TRUE(input->isClosed());
    EXPECT_EQ(first->mInputManager, nullptr);
    second->windowClosed(&window);
    frame(0.1f);
    EXPECT_FALSE(firstResult);
    EXPECT_FALSE(secondResult);
    EXPECT_EQ(keyboard.mCaptures, 0);
    EXPECT_EQ(mouse.mCaptures, 0);
}

// The input lives while any listener (or the test) holds it; after the last, the
// window can have another.
TEST_F(TwoListenersTest, TheLastHolderClosesTheInput)
{
    ScriptedKeyboard otherKeyboard;
    ScriptedMouse otherMouse;
    EXPECT_THROW(WindowInput::open(&window, &otherKeyboard, &otherMouse), Ogre::Exception);
    std::weak_ptr<WindowInput> watched = input;
    input.reset();
    first.reset();
    EXPECT_FALSE(watched.expired());
    second.reset();
    EXPECT_TRUE(watched.expired());
    input = WindowInput::open(&window, &otherKeyboard, &otherMouse);
    EXPECT_EQ(input->keyboard(), &otherKeyboard);
    EXPECT_FALSE(input->isClosed());
}

TEST(WindowInput, WindowsHaveTheirOwnInput)
{
    FakeWindow one(800, 600), two(800, 600);
    ScriptedKeyboard keyboardOne, keyboardTwo;
    ScriptedMouse mouseOne, mouseTwo;
    std::shared_ptr<WindowInput> inputOne = WindowInput::open(&one, &keyboardOne, &mouseOne);
    std::shared_ptr<WindowInput> inputTwo = WindowInput::open(&two, &keyboardTwo, &mouseTwo);
    EXPECT_NE(inputOne.get(), inputTwo.get());
    EXPECT_EQ(inputTwo->mouse(), &mouseTwo);
}

}  // namespace
