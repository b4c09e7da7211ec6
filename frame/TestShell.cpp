#include "frame/TestShell.h"

#include <chrono>
#include <cstdio>

#include "assets/BodyNodes.h"
#include "frame/PoseCopy.h"

TestShell::MyListener::MyListener(Ogre::RenderWindow* window, Ogre::Camera* camera, TestShell* app)
    : ExampleFrameListener(window, camera), mApp(app)
{
    showStatsAtStart();
}

TestShell::MyListener::MyListener(Ogre::RenderWindow* window, Ogre::Camera* camera, TestShell* app,
                                  OIS::Keyboard* keyboard, OIS::Mouse* mouse)
    : ExampleFrameListener(window, camera, keyboard, mouse), mApp(app)
{
    showStatsAtStart();
}

// Only the overlay changes: mStatsVisible keeps its true, so in a program that
// starts hidden the first F hides the hidden overlay and the second shows it.
void TestShell::MyListener::showStatsAtStart()
{
    if (!mStatsOverlay) return;
    if (mApp->mStatsShownAtStart)
        mStatsOverlay->show();
    else
        mStatsOverlay->hide();
}

bool TestShell::MyListener::frameStarted(const Ogre::FrameEvent& evt)
{
    mApp->updateSimulation(evt);
    return true;
}

TestShell::TestShell()
    : mWorkClock([] {
          return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
      })
{
}

TestShell::~TestShell() = default;

bool TestShell::configure()
{ return configureSavedOrAsked(); }

void TestShell::chooseSceneManager()
{
    if (mUsesTerrainSceneManager)
        mSceneMgr = mRoot->createSceneManager("TerrainSceneManager", Ogre::StringUtil::BLANK);
    else
        ExampleApplication::chooseSceneManager();
}

void TestShell::createFrameListener()
{
    mFrameListener = new MyListener(mWindow, mCamera, this);
    mRoot->addFrameListener(mFrameListener);
}

Ogre::SceneNode* TestShell::createSphereNode(const std::string& entityName, const std::string& nodeName,
                                              float radius)
{
    return ::createSphereNode(mSceneMgr, entityName, nodeName, radius);
}

Ogre::SceneNode* TestShell::createBoxNode(const std::string& entityName, const std::string& nodeName)
{
    return ::createBoxNode(mSceneMgr, entityName, nodeName);
}

void TestShell::reportDroppedSteps(const FrameSteps& steps)
{
    if (mStepsDropped) return;
    mStepsDropped = true;
    char line[256];
    std::snprintf(line, sizeof line,
                  "The simulation cannot keep up: after %d steps one frame's work passed %g s, and the %g s of "
                  "simulated time still owed were dropped. Later frames drop theirs without a word.",
                  steps.taken, CATCH_UP_LIMIT, steps.dropped);
    Ogre::LogManager::getSingleton().logMessage(line, Ogre::LML_WARNING);
}

void TestShell::copyDrawnPoses(physics::rigidbody::AbstractSimulator& simulator,
                               const std::vector<Ogre::SceneNode*>& nodes)
{
    for (unsigned body : copyPoses(simulator, nodes)) reportNonFinitePose(body);
}

void TestShell::copyDrawnPose(physics::rigidbody::AbstractSimulator& simulator,
                              const physics::rigidbody::RigidBody& body, Ogre::Node* node)
{
    if (copyPose(body, node)) return;
    // Named by its index, as the node list names the bodies.
    unsigned index = 0;
    while (index < simulator.getNumBodies() && simulator.getBody(index) != &body) ++index;
    reportNonFinitePose(index);
}

void TestShell::reportNonFinitePose(unsigned body)
{
    if (!mNonFinitePoses.insert(body).second) return;
    Ogre::LogManager::getSingleton().logMessage(
        "The pose of body " + std::to_string(body) +
            " is not finite: its node stays where it was last shown, and the body is not reported again.",
        Ogre::LML_WARNING);
}
