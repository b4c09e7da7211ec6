#include "frame/ExampleApplication.h"

#include <Bites/OgreBitesConfigDialog.h>
#include <Bites/OgreWindowEventUtilities.h>

#include "frame/ExampleFrameListener.h"

ExampleApplication::ExampleApplication() = default;

ExampleApplication::~ExampleApplication()
{
    delete mFrameListener;
    if (mWindow) OgreBites::WindowEventUtilities::_removeRenderWindow(mWindow);
    delete mOverlaySystem;
    delete mRoot;
    delete mLogManager;
}

void ExampleApplication::run()
{
    if (!setup()) return;
    mRoot->startRendering();
    destroyScene();
}

bool ExampleApplication::setup()
{
    mLogManager = new Ogre::LogManager();
    mLogManager->createLog(mResourcePath + "Ogre.log", true, false, false);
    mRoot = new Ogre::Root(mResourcePath + "plugins.cfg", mResourcePath + "ogre.cfg", mResourcePath + "Ogre.log");
    mOverlaySystem = new Ogre::OverlaySystem();

    setupResources();
    if (!configure()) return false;
    chooseSceneManager();
    mSceneMgr->addRenderQueueListener(mOverlaySystem);
    createCamera();
    createViewports();
    Ogre::TextureManager::getSingleton().setDefaultNumMipmaps(5);
    createResourceListener();
    loadResources();
    createScene();
    createFrameListener();
    return true;
}

bool ExampleApplication::configure()
{
    if (!mRoot->showConfigDialog(OgreBites::getNativeConfigDialog())) return false;
    openWindow("OGRE Render Window");
    return true;
}

void ExampleApplication::openWindow(const std::string& title)
{
    mWindow = mRoot->initialise(true, title, Ogre::StringUtil::BLANK);
    // Ogre's loop does not dispatch window events; the window must be known to
    // the event utilities for a close request to reach the frame listener.
    OgreBites::WindowEventUtilities::_addRenderWindow(mWindow);
}

void ExampleApplication::chooseSceneManager()
{
    // The generic scene manager (scene type mask 1).
    mSceneMgr = mRoot->createSceneManager(Ogre::DefaultSceneManagerFactory::FACTORY_TYPE_NAME, "ExampleSMInstance");
}

void ExampleApplication::createCamera()
{
    mCamera = mSceneMgr->createCamera("PlayerCam");
    mCamera->setPosition(Ogre::Vector3(0, 0, 500));
    mCamera->lookAt(Ogre::Vector3(0, 0, -300));
    mCamera->setNearClipDistance(5);
}

void ExampleApplication::createFrameListener()
{
    mFrameListener = new ExampleFrameListener(mWindow, mCamera);
    mFrameListener->setStatsOverlayVisible(true);
    mRoot->addFrameListener(mFrameListener);
}

void ExampleApplication::destroyScene() {}

void ExampleApplication::createViewports()
{
    Ogre::Viewport* viewport = mWindow->addViewport(mCamera, 0, 0, 0, 1, 1);
    viewport->setBackgroundColour(Ogre::ColourValue(0, 0, 0, 1));
    mCamera->setAspectRatio(Ogre::Real(viewport->getActualWidth()) / Ogre::Real(viewport->getActualHeight()));
}

void ExampleApplication::setupResources()
{
    Ogre::ConfigFile config;
    config.load(mResourcePath + "resources.cfg", "\t:=", true);
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    for (const auto& section : config.getSettingsBySection()) {
        for (const auto& entry : section.second)
            groups.addResourceLocation(entry.second, entry.first, section.first, false);
    }
}

void ExampleApplication::createResourceListener() {}

void ExampleApplication::loadResources()
{
    Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();
}
