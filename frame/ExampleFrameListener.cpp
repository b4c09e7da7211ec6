#include "frame/ExampleFrameListener.h"

#include <Overlay/OgreOverlayElement.h>
#include <Overlay/OgreOverlayManager.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <vector>

bool ExampleFrameListener::sShowCameraDetails = false;

ExampleFrameListener::ExampleFrameListener(Ogre::RenderWindow* window, Ogre::Camera* camera)
    : mCamera(camera), mWindow(window)
{
    findStatsOverlay();
    Ogre::LogManager::getSingleton().logMessage("*** Initializing OIS ***", Ogre::LML_NORMAL, false);
    takeInput(WindowInput::open(mWindow));
    fitMouseToWindow(mWindow);
    startListening();
}

ExampleFrameListener::ExampleFrameListener(Ogre::RenderWindow* window, Ogre::Camera* camera,
                                           OIS::Keyboard* keyboard, OIS::Mouse* mouse)
    : mCamera(camera), mWindow(window)
{
    findStatsOverlay();
    takeInput(WindowInput::open(mWindow, keyboard, mouse));
    fitMouseToWindow(mWindow);
    startListening();
}

void ExampleFrameListener::findStatsOverlay()
{
    mStatsOverlay = Ogre::OverlayManager::getSingleton().getByName("Core/DebugOverlay");
}

void ExampleFrameListener::takeInput(std::shared_ptr<WindowInput> input)
{
    mInput = std::move(input);
    mInputFrame = mInput->captures();
    mInputClosed = mInput->isClosed();
    mInputManager = mInput->inputManager();
    mKeyboard = mInput->keyboard();
    mMouse = mInput->mouse();
    mJoystick = mInput->joystick();
}

void ExampleFrameListener::fitMouseToWindow(Ogre::RenderWindow* window)
{
    unsigned int width, height, depth;
    int left, top;
    window->getMetrics(width, height, depth, left, top);
    const OIS::MouseState& state = mMouse->getMouseState();
    state.width = int(width);
    state.height = int(height);
}

void ExampleFrameListener::startListening()
{
    if (mStatsOverlay) mStatsOverlay->show();
    OgreBites::WindowEventUtilities::addWindowEventListener(mWindow, this);
}

ExampleFrameListener::~ExampleFrameListener()
{
    OgreBites::WindowEventUtilities::removeWindowEventListener(mWindow, this);
    // The last listener of the window closes its input.
    mInput.reset();
    mInputManager = nullptr;
}

bool ExampleFrameListener::frameRenderingQueued(const Ogre::FrameEvent& evt)
{
    // Window events are not dispatched by the rendering loop itself: without the
    // pump a closed window would never be reported.
    OgreBites::WindowEventUtilities::messagePump();
    if (mWindow->isClosed()) return false;

    const float dt = evt.timeSinceLastFrame;
    mInput->capture(mInputFrame);

    const bool joystickBuffered = mJoystick ? mJoystick->buffered() : true;
    const Ogre::Vector3 lastMotion = mTranslation;
    const bool unbufferedInput = !mMouse->buffered() || !mKeyboard->buffered() || !joystickBuffered;
    if (unbufferedInput) {
        if (mToggleDelay >= 0) mToggleDelay -= dt;
        mMoveScale = mMoveSpeed * dt;
        mRotateScale = mRotateSpeed * dt;
        mYaw = 0;
        mPitch = 0;
        mTranslation = Ogre::Vector3::ZERO;
    }

    if (!mKeyboard->buffered() && !handleKeyboard(evt)) return false;
    if (!mMouse->buffered() && !handleMouse(evt)) return false;

    // Speed ramp: a held key reaches full speed after one second; on release the
    // last motion is reused with a falling factor, so the camera coasts to rest.
    if (mTranslation == Ogre::Vector3::ZERO) {
        mSpeedFactor = float(mSpeedFactor - double(dt) * 0.3);
        mTranslation = lastMotion;
    } else {
        mSpeedFactor += dt;
    }
    if (mSpeedFactor > 1) mSpeedFactor = 1;
    if (mSpeedFactor < 0) mSpeedFactor = 0;
    mTranslation *= mSpeedFactor;

    if (unbufferedInput) applyCameraMotion();
    return true;
}

bool ExampleFrameListener::handleKeyboard(const Ogre::FrameEvent&)
{
    if (mKeyboard->isKeyDown(OIS::KC_A)) mTranslation.x = -mMoveScale;
    if (mKeyboard->isKeyDown(OIS::KC_D)) mTranslation.x = mMoveScale;
    if (mKeyboard->isKeyDown(OIS::KC_UP) || mKeyboard->isKeyDown(OIS::KC_W)) mTranslation.z = -mMoveScale;
    if (mKeyboard->isKeyDown(OIS::KC_DOWN) || mKeyboard->isKeyDown(OIS::KC_S)) mTranslation.z = mMoveScale;
    if (mKeyboard->isKeyDown(OIS::KC_PGUP)) mTranslation.y = mMoveScale;
    if (mKeyboard->isKeyDown(OIS::KC_PGDOWN)) mTranslation.y = -mMoveScale;
    if (mKeyboard->isKeyDown(OIS::KC_RIGHT)) mCamera->yaw(Ogre::Degree(-mRotateScale));
    if (mKeyboard->isKeyDown(OIS::KC_LEFT)) mCamera->yaw(Ogre::Degree(mRotateScale));

    if (mKeyboard->isKeyDown(OIS::KC_ESCAPE) || mKeyboard->isKeyDown(OIS::KC_Q)) return false;

    if (mKeyboard->isKeyDown(OIS::KC_F) && mToggleDelay <= 0) {
        mStatsVisible = !mStatsVisible;
        setStatsOverlayVisible(mStatsVisible);
        mToggleDelay = 1;
    }

    if (mKeyboard->isKeyDown(OIS::KC_T) && mToggleDelay <= 0) {
        switch (mTextureFiltering) {
        case Ogre::TFO_BILINEAR:
            mTextureFiltering = Ogre::TFO_TRILINEAR;
            mAnisotropy = 1;
            break;
        case Ogre::TFO_TRILINEAR:
            mTextureFiltering = Ogre::TFO_ANISOTROPIC;
            mAnisotropy = 8;
            break;
        case Ogre::TFO_ANISOTROPIC:
            mTextureFiltering = Ogre::TFO_BILINEAR;
            mAnisotropy = 1;
            break;
        default:
            break;
        }
        Ogre::MaterialManager::getSingleton().setDefaultTextureFiltering(
            Ogre::TextureFilterOptions(mTextureFiltering));
        Ogre::MaterialManager::getSingleton().setDefaultAnisotropy(mAnisotropy);
        setStatsOverlayVisible(mStatsVisible);
        mToggleDelay = 1;
    }

    if (mKeyboard->isKeyDown(OIS::KC_SYSRQ) && mToggleDelay <= 0) {
        ++mScreenshotCount;
        std::ostringstream name;
        name << "screenshot_" << mScreenshotCount << ".png";
        writeScreenshot(name.str());
        mToggleDelay = 0.5;
        mDebugText = "Saved: " + name.str();
    }

    if (mKeyboard->isKeyDown(OIS::KC_R) && mToggleDelay <= 0) {
        mPolygonModeIndex = (mPolygonModeIndex + 1) % 3;
        static const Ogre::PolygonMode modes[3] = {Ogre::PM_SOLID, Ogre::PM_WIREFRAME, Ogre::PM_POINTS};
        mCamera->setPolygonMode(modes[mPolygonModeIndex]);
        mToggleDelay = 0.5;
    }

    if (mKeyboard->isKeyDown(OIS::KC_P) && mToggleDelay <= 0) {
        mToggleDelay = 0.5;
        sShowCameraDetails = !sShowCameraDetails;
        if (!sShowCameraDetails) mDebugText = "";
    }

    if (sShowCameraDetails) {
        mDebugText = "P: " + Ogre::StringConverter::toString(mCamera->getDerivedPosition()) + " " +
                     "O: " + Ogre::StringConverter::toString(mCamera->getDerivedOrientation());
    }
    return true;
}

namespace {

// Writes the bytes as the whole file, or says why not: a file that cannot be
// opened, and a write cut short (a full disk, a size limit), are both failures.
// Opened without waiting, so that a FIFO without a reader is refused rather
// than waited on for good.
std::string writeWholeFile(const std::string& name, const unsigned char* bytes, std::size_t size)
{
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return std::strerror(errno);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, bytes + written, size - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string reason = n < 0 ? std::strerror(errno) : "nothing more could be written";
            ::close(fd);
            return reason + " after " + std::to_string(written) + " of " + std::to_string(size) + " bytes";
        }
        written += std::size_t(n);
    }
    if (::close(fd) != 0) return std::strerror(errno);
    return "";
}

}  // namespace

// A screenshot that cannot be written whole ends the program like any Ogre error,
// naming the file, which the codec's own messages do not.
void ExampleFrameListener::writeScreenshot(const std::string& name)
{
    std::string failure;
    try {
        Ogre::Image image(mWindow->suggestPixelFormat(), mWindow->getWidth(), mWindow->getHeight());
        mWindow->copyContentsToMemory(Ogre::Box(0, 0, mWindow->getWidth(), mWindow->getHeight()),
                                      image.getPixelBox());
        const Ogre::DataStreamPtr png = image.encode("png");
        std::vector<unsigned char> bytes(png->size());
        bytes.resize(png->read(bytes.data(), bytes.size()));
        failure = writeWholeFile(name, bytes.data(), bytes.size());
    } catch (const Ogre::Exception& e) {
        failure = e.getDescription();
    }
    if (!failure.empty())
        OGRE_EXCEPT(Ogre::Exception::ERR_CANNOT_WRITE_TO_FILE, "cannot write the screenshot '" + name + "': " + failure,
                    "ExampleFrameListener::handleKeyboard");
}

bool ExampleFrameListener::handleMouse(const Ogre::FrameEvent&)
{
    const OIS::MouseState& state = mMouse->getMouseState();
    if (state.buttonDown(OIS::MB_Right)) {
        mTranslation.x = float(mTranslation.x + state.X.rel * 0.13);
        mTranslation.y = float(mTranslation.y - state.Y.rel * 0.13);
    } else {
        mYaw = Ogre::Degree(float(-state.X.rel * 0.13));
        mPitch = Ogre::Degree(float(-state.Y.rel * 0.13));
    }
    return true;
}

void ExampleFrameListener::applyCameraMotion()
{
    mCamera->yaw(mYaw);
    mCamera->pitch(mPitch);
    mCamera->moveRelative(mTranslation);
}

void ExampleFrameListener::setStatsOverlayVisible(bool visible)
{
    if (!mStatsOverlay) return;
    if (visible)
        mStatsOverlay->show();
    else
        mStatsOverlay->hide();
}

bool ExampleFrameListener::frameEnded(const Ogre::FrameEvent&)
{
    updateStatsOverlay();
    return true;
}

void ExampleFrameListener::updateStatsOverlay()
{
    static const std::string currFps = "Current FPS: ";
    static const std::string avgFps = "Average FPS: ";
    static const std::string bestFps = "Best FPS: ";
    static const std::string worstFps = "Worst FPS: ";
    static const std::string tris = "Triangle Count: ";
    static const std::string batches = "Batch Count: ";

    // The overlay is decoration: a missing element must not end the program.
    try {
        Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
        Ogre::OverlayElement* guiAvg = overlays.getOverlayElement("Core/AverageFps", false);
        Ogre::OverlayElement* guiCurr = overlays.getOverlayElement("Core/CurrFps", false);
        Ogre::OverlayElement* guiBest = overlays.getOverlayElement("Core/BestFps", false);
        Ogre::OverlayElement* guiWorst = overlays.getOverlayElement("Core/WorstFps", false);

        const Ogre::RenderTarget::FrameStats& stats = mWindow->getStatistics();
        using Ogre::StringConverter;
        guiAvg->setCaption(avgFps + StringConverter::toString(stats.avgFPS));
        guiCurr->setCaption(currFps + StringConverter::toString(stats.lastFPS));
        guiBest->setCaption(bestFps + StringConverter::toString(stats.bestFPS) + " " +
                            StringConverter::toString(unsigned(stats.bestFrameTime)) + " ms");
        guiWorst->setCaption(worstFps + StringConverter::toString(stats.worstFPS) + " " +
                             StringConverter::toString(unsigned(stats.worstFrameTime)) + " ms");

        Ogre::OverlayElement* guiTris = overlays.getOverlayElement("Core/NumTris", false);
        guiTris->setCaption(tris + StringConverter::toString(unsigned(stats.triangleCount)));
        Ogre::OverlayElement* guiBatches = overlays.getOverlayElement("Core/NumBatches", false);
        guiBatches->setCaption(batches + StringConverter::toString(unsigned(stats.batchCount)));
        Ogre::OverlayElement* guiDbg = overlays.getOverlayElement("Core/DebugText", false);
        guiDbg->setCaption(mDebugText);
    } catch (...) {
    }
}

void ExampleFrameListener::windowResized(Ogre::RenderWindow* window)
{
    // After windowClosed the device fields point at destroyed devices.
    if (mInputClosed) return;
    fitMouseToWindow(window);
}

void ExampleFrameListener::windowClosed(Ogre::RenderWindow* window)
{
    if (window != mWindow) return;
    mInputClosed = true;
    mInput->close();
    mInputManager = nullptr;
}
