#pragma once
// The OIS input system of one render window, shared by every frame listener of that
// window. X lets only one client select a window's mouse button events: a second
// input system on the same window (a connection of its own) fails ("BadAccess")
// and ends the program, so the first listener opens the system and the later ones
// share it. It closes with the last listener, or at once when the window closes.
#include <Ogre.h>
#include <OIS.h>

#include <memory>

class WindowInput {
public:
    // The window's input: opened on the window's handle (keyboard, mouse, and a
    // joystick when there is one) unless a listener of the window holds it already.
    static std::shared_ptr<WindowInput> open(Ogre::RenderWindow* window);
    // The same with devices the caller made and keeps (the tests' scripted ones): no
    // input system is opened and the devices are never destroyed here. Shared like
    // the other form; a window whose input is open with other devices is an error.
    static std::shared_ptr<WindowInput> open(Ogre::RenderWindow* window, OIS::Keyboard* keyboard,
                                             OIS::Mouse* mouse);

    ~WindowInput();
    WindowInput(const WindowInput&) = delete;
    WindowInput& operator=(const WindowInput&) = delete;

    // Reads the devices for the reader's frame. Every listener calls this once a
    // frame with its own counter, which starts at captures(): the first in a frame
    // captures, the others read the state that capture left, so all of them see the
    // same keys and the same mouse motion (a second capture would report no motion
    // since the first).
    void capture(unsigned& readerFrame);
    unsigned captures() const { return mCaptures; }

    // The window has closed: the devices go now, whoever still holds the input.
    void close();
    bool isClosed() const { return mClosed; }

    OIS::InputManager* inputManager() const { return mInputManager; }
    OIS::Keyboard* keyboard() const { return mKeyboard; }
    OIS::Mouse* mouse() const { return mMouse; }
    OIS::JoyStick* joystick() const { return mJoystick; }

private:
    explicit WindowInput(Ogre::RenderWindow* window);
    static std::shared_ptr<WindowInput> registered(Ogre::RenderWindow* window);
    static std::shared_ptr<WindowInput> enrol(WindowInput* input);
    void openInputSystem();

    Ogre::RenderWindow* mWindow;
    OIS::InputManager* mInputManager = nullptr;
    OIS::Keyboard* mKeyboard = nullptr;
    OIS::Mouse* mMouse = nullptr;
    OIS::JoyStick* mJoystick = nullptr;
    bool mClosed = false;
    // A reader whose counter equals it has seen the latest capture.
    unsigned mCaptures = 0;
};
