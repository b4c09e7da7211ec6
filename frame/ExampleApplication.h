#pragma once
// Application base of every program: owns the Ogre root and the one frame listener
// it creates, and runs the start-up as a fixed sequence of virtual steps.
#include <Ogre.h>
#include <Overlay/OgreOverlaySystem.h>

#include <string>

class ExampleFrameListener;

class ExampleApplication {
public:
    ExampleApplication();
    virtual ~ExampleApplication();

    // setup; when it succeeded, the rendering loop and then destroyScene.
    virtual void run();

    // The start-up sequence; false when the render configuration was refused.
    virtual bool setup();
    virtual bool configure();
    virtual void chooseSceneManager();
    virtual void createCamera();
    virtual void createFrameListener();
    virtual void createScene() = 0;
    virtual void destroyScene();
    virtual void createViewports();
    virtual void setupResources();
    virtual void createResourceListener();
    virtual void loadResources();

    Ogre::Root* mRoot = nullptr;
    Ogre::Camera* mCamera = nullptr;
    Ogre::SceneManager* mSceneMgr = nullptr;
    ExampleFrameListener* mFrameListener = nullptr;
    Ogre::RenderWindow* mWindow = nullptr;
    std::string mResourcePath;

    // Made before the root, so that the log goes to "Ogre.log" only and standard
    // output stays the programs' own; deleted after the root.
    Ogre::LogManager* mLogManager = nullptr;
    // Overlays need this made after the root and before the resources are loaded.
    Ogre::OverlaySystem* mOverlaySystem = nullptr;

protected:
    // Opens the render window of a configuration that was restored or accepted.
    void openWindow(const std::string& title);
    // The programs' own configuration step: the saved configuration, else the
    // dialog's; then the window "Marrowfield - Rendering Window".
    bool configureSavedOrAsked();
};
