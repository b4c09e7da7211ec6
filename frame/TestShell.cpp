#include "frame/TestShell.h"

#include <Bites/OgreBitesConfigDialog.h>

#include "assets/BodyNodes.h"

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

TestShell::TestShell() = default;

TestShell::~TestShell() = default;

bool TestShell::configure()
{
    if (mRoot->restoreConfig() || mRoot->showConfigDialog(OgreBites::getNativeConfigDialog())) {
        openWindow("Marrowfield - Rendering Window");
        return true;
    }
    return false;
}

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
