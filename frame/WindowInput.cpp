#include "frame/WindowInput.h"

#include <map>
#include <sstream>

namespace {

// One entry per window whose input some listener holds.
std::map<Ogre::RenderWindow*, std::weak_ptr<WindowInput>>& inputs()
{
    static std::map<Ogre::RenderWindow*, std::weak_ptr<WindowInput>> registry;
    return registry;
}

}  // namespace

std::shared_ptr<WindowInput> WindowInput::open(Ogre::RenderWindow* window)
{
    if (std::shared_ptr<WindowInput> shared = registered(window)) return shared;
    std::unique_ptr<WindowInput> input(new WindowInput(window));
    input->openInputSystem();
    return enrol(input.release());
}

std::shared_ptr<WindowInput> WindowInput::open(Ogre::RenderWindow* window, OIS::Keyboard* keyboard,
                                               OIS::Mouse* mouse)
{
    if (std::shared_ptr<WindowInput> shared = registered(window)) {
        if (shared->mKeyboard != keyboard || shared->mMouse != mouse)
            OGRE_EXCEPT(Ogre::Exception::ERR_DUPLICATE_ITEM, "the window's input is open with other devices",
                        "WindowInput::open");
        return shared;
    }
    WindowInput* input = new WindowInput(window);
    input->mKeyboard = keyboard;
    input->mMouse = mouse;
    return enrol(input);
}

WindowInput::WindowInput(Ogre::RenderWindow* window) : mWindow(window) {}

std::shared_ptr<WindowInput> WindowInput::registered(Ogre::RenderWindow* window)
{
    auto entry = inputs().find(window);
    return entry == inputs().end() ? nullptr : entry->second.lock();
}

std::shared_ptr<WindowInput> WindowInput::enrol(WindowInput* input)
{
    std::shared_ptr<WindowInput> shared(input);
    inputs()[input->mWindow] = shared;
    return shared;
}

void WindowInput::openInputSystem()
{
    // Ogre writes the X11 window id here as an unsigned long (64 bits): an unsigned int would overflow.
    std::size_t windowHandle = 0;
    mWindow->getCustomAttribute("WINDOW", &windowHandle);
    std::ostringstream handleText;
    handleText << windowHandle;
    OIS::ParamList parameters;
    parameters.insert(std::make_pair(std::string("WINDOW"), handleText.str()));

    mInputManager = OIS::InputManager::createInputSystem(parameters);
    try {
        mKeyboard = static_cast<OIS::Keyboard*>(mInputManager->createInputObject(OIS::OISKeyboard, false));
        mMouse = static_cast<OIS::Mouse*>(mInputManager->createInputObject(OIS::OISMouse, false));
    } catch (...) {
        close();
        throw;
    }
    try {
        mJoystick = static_cast<OIS::JoyStick*>(mInputManager->createInputObject(OIS::OISJoyStick, false));
    } catch (...) {
        mJoystick = nullptr;  // no joystick: run without one
    }
}

WindowInput::~WindowInput()
{
    close();
    auto entry = inputs().find(mWindow);
    if (entry != inputs().end() && entry->second.expired()) inputs().erase(entry);
}

void WindowInput::capture(unsigned& readerFrame)
{
    if (mClosed) return;
    if (readerFrame == mCaptures) {
        mKeyboard->capture();
        mMouse->capture();
        if (mJoystick) mJoystick->capture();
        ++mCaptures;
    }
    readerFrame = mCaptures;
}

void WindowInput::close()
{
    mClosed = true;
    if (!mInputManager) return;
    if (mMouse) mInputManager->destroyInputObject(mMouse);
    if (mKeyboard) mInputManager->destroyInputObject(mKeyboard);
    if (mJoystick) mInputManager->destroyInputObject(mJoystick);
    OIS::InputManager::destroyInputSystem(mInputManager);
    mInputManager = nullptr;
}
