// A program with two frame listeners on its one window, as seaview has them: one
// made by the scene step, one by the application. Both read the window's input;
// every frame they compare what they saw and print it when a key or the mouse was
// used:
//   "both listeners saw W held and the mouse move" (once, the first time)
//   "the listeners saw different input: ..."       (every frame they differ)
#include <cstdio>

#include "frame/Entry.h"
#include "frame/TestShell.h"

namespace {

struct Seen {
    unsigned long frame = 0;
    bool w = false;
    int dx = 0, dy = 0;
};

class WatchingListener : public ExampleFrameListener {
public:
    WatchingListener(Ogre::RenderWindow* window, Ogre::Camera* camera, Seen* shared)
        : ExampleFrameListener(window, camera), mShared(shared)
    {
    }

    bool frameRenderingQueued(const Ogre::FrameEvent& evt) override
    {
        if (!ExampleFrameListener::frameRenderingQueued(evt)) return false;
        Seen mine;
        mine.frame = Ogre::Root::getSingleton().getNextFrameNumber();
        mine.w = mKeyboard->isKeyDown(OIS::KC_W);
        mine.dx = mMouse->getMouseState().X.rel;
        mine.dy = mMouse->getMouseState().Y.rel;
        // Ogre calls the listeners in an order of its own: the first of a frame
        // leaves what it saw, the second compares.
        if (mShared->frame != mine.frame) {
            *mShared = mine;
            return true;
        }
        const Seen& other = *mShared;
        if (mine.w != other.w || mine.dx != other.dx || mine.dy != other.dy) {
            std::printf("the listeners saw different input: W %d/%d, mouse %d %d/%d %d\n", other.w, mine.w,
                        other.dx, other.dy, mine.dx, mine.dy);
        } else if (mine.w && (mine.dx || mine.dy) && !sReported) {
            std::printf("both listeners saw W held and the mouse move\n");
            sReported = true;
        }
        return true;
    }

private:
    Seen* mShared;
    static inline bool sReported = false;
};

class Test : public TestShell {
public:
    ~Test() override
    {
        // Both listeners go, the scene step's first: the input closes with the last.
        if (mSceneListener) {
            mRoot->removeFrameListener(mSceneListener);
            delete mSceneListener;
        }
    }

    void createScene() override
    {
        // Something to see in the screenshots: a triangle of three colours.
        Ogre::ManualObject* triangle = mSceneMgr->createManualObject("Triangle");
        triangle->begin("BaseWhiteNoLighting", Ogre::RenderOperation::OT_TRIANGLE_LIST);
        triangle->position(-200, -150, 0);
        triangle->colour(Ogre::ColourValue::Red);
        triangle->position(200, -150, 0);
        triangle->colour(Ogre::ColourValue::Green);
        triangle->position(0, 200, 0);
        triangle->colour(Ogre::ColourValue::Blue);
        triangle->end();
        mSceneMgr->getRootSceneNode()->attachObject(triangle);
        mSceneListener = new WatchingListener(mWindow, mCamera, &mSeen);
        mRoot->addFrameListener(mSceneListener);
    }

    void createFrameListener() override
    {
        mFrameListener = new WatchingListener(mWindow, mCamera, &mSeen);
        mFrameListener->setStatsOverlayVisible(true);
        mRoot->addFrameListener(mFrameListener);
    }

    void updateSimulation(const Ogre::FrameEvent&) override {}

private:
    Seen mSeen;
    WatchingListener* mSceneListener = nullptr;
};

}  // namespace

int main()
{
    return runApplication<Test>();
}
