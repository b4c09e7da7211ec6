#include "frame/ExampleApplication.h"

#include <Bites/OgreBitesConfigDialog.h>
#include <Bites/OgreWindowEventUtilities.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "frame/ConfigFileCheck.h"
#include "frame/ExampleFrameListener.h"
#include "frame/VideoMode.h"
#include "platform/FileCheck.h"

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

// Ogre's log goes quietly nowhere when its file cannot be written (a working
// directory that is not writable): say so where it can be read. What stands at
// the path is looked at first, as opening a FIFO would wait for a reader; the
// answer is whether the log may be opened.
bool logCanBeWritten(const std::string& path)
{
    std::string problem = platform::irregularFile(path);
    if (problem.empty()) {
        std::FILE* file = std::fopen(path.c_str(), "a");
        if (file) {
            std::fclose(file);
            return true;
        }
        problem = std::strerror(errno);
    }
    std::fprintf(stderr, "Cannot write the log '%s' (%s): the program runs without it.\n", path.c_str(),
                 problem.c_str());
    return false;
}

// Without a render system Ogre would open its configuration dialog with nothing
// to choose.
void requireRenderSystem(Ogre::Root& root, const std::string& plugins)
{
    if (root.getAvailableRenderers().empty())
        OGRE_EXCEPT(Ogre::Exception::ERR_INVALIDPARAMS,
                    "'" + plugins + "' loads no render system: it needs a \"Plugin=\" line of one, such as "
                                    "RenderSystem_GL",
                    "ExampleApplication::setup");
}

// A saved configuration of a render system that no plug-in provides would be
// passed over for the dialog without a word of why.
void requireSavedRenderSystem(Ogre::Root& root, const std::string& config, const std::string& plugins)
{
    std::error_code error;
    if (!std::filesystem::exists(config, error)) return;
    Ogre::ConfigFile saved;
    saved.load(config, "\t:=", false);  // as Ogre reads it
    const std::string name = saved.getSetting("Render System");
    if (name.empty() || root.getRenderSystemByName(name)) return;
    std::string loaded;
    for (Ogre::RenderSystem* system : root.getAvailableRenderers())
        loaded += (loaded.empty() ? "\"" : ", \"") + system->getName() + "\"";
    OGRE_EXCEPT(Ogre::Exception::ERR_INVALIDPARAMS,
                "'" + config + "' names the render system \"" + name + "\", which no plug-in of '" + plugins +
                    "' provides (they provide " + loaded + ")",
                "ExampleApplication::setup");
}

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
    const std::string plugins = mResourcePath + "plugins.cfg";
    const std::string config = mResourcePath + "ogre.cfg";
    const bool logFile = logCanBeWritten(mResourcePath + "Ogre.log");
    mLogManager = new Ogre::LogManager();
    mLogManager->createLog(mResourcePath + "Ogre.log", true, false, !logFile);
    PluginRoot* root = new PluginRoot(config, mResourcePath + "Ogre.log");
    mRoot = root;
    checkConfigFile(plugins);
    root->loadPlugins(plugins);
    requireRenderSystem(*root, plugins);
    mOverlaySystem = new Ogre::OverlaySystem();

    setupResources();
    checkConfigFile(config);
    requireSavedRenderSystem(*root, config, plugins);
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

bool ExampleApplication::configureSavedOrAsked()
{
    if (mRoot->restoreConfig() || mRoot->showConfigDialog(OgreBites::getNativeConfigDialog())) {
        openWindow("Marrowfield - Rendering Window");
        return true;
    }
    return false;
}

void ExampleApplication::openWindow(const std::string& title)
{
    const Ogre::ConfigOptionMap& options = mRoot->getRenderSystem()->getConfigOptions();
    const auto mode = options.find("Video Mode");
    if (mode != options.end()) parseVideoMode(mode->second.currentValue, mResourcePath + "ogre.cfg");
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
