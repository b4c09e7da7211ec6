#include "frame/ExampleApplication.h"

#include <Bites/OgreBitesConfigDialog.h>
#include <Bites/OgreWindowEventUtilities.h>

#include "frame/ConfigFileCheck.h"
#include "frame/ExampleFrameListener.h"

namespace {

// Ogre's root, made without its plug-ins, which it loads once it is held. An
// exception that a plug-in throws while it starts (the GL render system without a
// display) points at texts inside the plug-in: thrown from the root's constructor
// it would reach the entry after the plug-in was unloaded, and reporting it would
// crash. Thrown from here it reaches the entry while the root, and the plug-in,
// are still there.
class PluginRoot : public Ogre::Root {
public:
    PluginRoot(const std::string& configFile, const std::string& logFile) : Ogre::Root("", configFile, logFile) {}
    using Ogre::Root::loadPlugins;
};

}  // namespace

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
    PluginRoot* root = new PluginRoot(mResourcePath + "ogre.cfg", mResourcePath + "Ogre.log");
    mRoot = root;
    checkConfigFile(mResourcePath + "plugins.cfg");
    root->loadPlugins(mResourcePath + "plugins.cfg");
    mOverlaySystem = new Ogre::OverlaySystem();

    setupResources();
    checkConfigFile(mResourcePath + "ogre.cfg");
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
    checkConfigFile(mResourcePath + "resources.cfg");
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
