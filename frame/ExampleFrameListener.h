#pragma once
// Frame listener of every program: reads keyboard and mouse through OIS, flies the
// camera, handles the toggle keys, ends the rendering loop on Escape, Q or a closed
// window, and writes the frame statistics into the statistics overlay.
#include <Ogre.h>
#include <Bites/OgreWindowEventUtilities.h>
#include <Overlay/OgreOverlay.h>
#include <OIS.h>

#include <memory>
#include <string>

#include "frame/WindowInput.h"

class ExampleFrameListener : public Ogre::FrameListener, public OgreBites::WindowEventListener {
public:
    // Opens the window's input system (keyboard, mouse, a joystick if there is one),
    // or shares it with the window's other listeners, and registers for the window's
    // events.
    ExampleFrameListener(Ogre::RenderWindow* window, Ogre::Camera* camera);
    ~ExampleFrameListener() override;

    bool frameRenderingQueued(const Ogre::FrameEvent& evt) override;
    bool frameEnded(const Ogre::FrameEvent& evt) override;

    virtual void updateStatsOverlay();
    virtual bool handleKeyboard(const Ogre::FrameEvent& evt);
    virtual bool handleMouse(const Ogre::FrameEvent& evt);
    virtual void applyCameraMotion();
    virtual void setStatsOverlayVisible(bool visible);

    void windowResized(Ogre::RenderWindow* window) override;
    void windowClosed(Ogre::RenderWindow* window) override;

    Ogre::Camera* mCamera;
    Ogre::Vector3 mTranslation = Ogre::Vector3::ZERO;
    float mSpeedFactor = 0;
    Ogre::RenderWindow* mWindow;
    bool mStatsVisible = true;
    std::string mDebugText;
    unsigned int mScreenshotCount = 0;
    float mMoveScale = 0;
    float mRotateScale = 0;
    float mToggleDelay = 0;
    Ogre::Radian mYaw{0};
    Ogre::Radian mPitch{0};
    int mTextureFiltering = Ogre::TFO_BILINEAR;
    int mAnisotropy = 1;
    int mPolygonModeIndex = 0;
    float mMoveSpeed = 100;
    float mRotateSpeed = 36;
    Ogre::Overlay* mStatsOverlay = nullptr;
    // The window's input system, shared with its other listeners; null after windowClosed.
    OIS::InputManager* mInputManager = nullptr;
    OIS::Mouse* mMouse = nullptr;
    OIS::Keyboard* mKeyboard = nullptr;
    OIS::JoyStick* mJoystick = nullptr;

    // Shared by every listener of the process; flipped by P.
    static bool sShowCameraDetails;

protected:
    // For devices that the caller made and keeps (the tests drive a listener with
    // scripted devices and a window of their own): no input system is opened, and
    // the devices are never destroyed by the listener. Listeners of the window made
    // later share them.
    ExampleFrameListener(Ogre::RenderWindow* window, Ogre::Camera* camera, OIS::Keyboard* keyboard,
                         OIS::Mouse* mouse);

private:
    void findStatsOverlay();
    void takeInput(std::shared_ptr<WindowInput> input);
    void fitMouseToWindow(Ogre::RenderWindow* window);
    void startListening();
    void writeScreenshot(const std::string& name);

    std::shared_ptr<WindowInput> mInput;
    // The input's captures this listener has read (see WindowInput::capture).
    unsigned mInputFrame = 0;
    // Set by windowClosed: the devices are gone (or, for the caller's, no longer
    // to be read) even though their fields keep their old values.
    bool mInputClosed = false;
};
