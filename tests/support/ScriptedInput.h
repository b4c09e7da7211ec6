#pragma once
// OIS devices whose state the test sets, so that a frame listener can be driven
// frame by frame without a window.
#include <OIS.h>

#include <set>
#include <string>

namespace testsupport {

// An unbuffered keyboard whose keys the test holds down and releases.
class ScriptedKeyboard : public OIS::Keyboard {
public:
    ScriptedKeyboard() : OIS::Keyboard("scripted", false, 0, nullptr) {}

    void press(OIS::KeyCode key) { mDown.insert(key); }
    void release(OIS::KeyCode key) { mDown.erase(key); }
    void releaseAll() { mDown.clear(); }

    bool isKeyDown(OIS::KeyCode key) const override { return mDown.count(key) != 0; }
    const std::string& getAsString(OIS::KeyCode) override { return mName; }
    void copyKeyStates(char keys[256]) const override
    {
        for (int k = 0; k < 256; ++k) keys[k] = char(mDown.count(OIS::KeyCode(k)));
    }
    void setBuffered(bool) override {}
    void capture() override { ++mCaptures; }
    OIS::Interface* queryInterface(OIS::Interface::IType) override { return nullptr; }
    void _initialize() override {}

    int mCaptures = 0;

private:
    std::set<OIS::KeyCode> mDown;
    std::string mName = "key";
};

// An unbuffered mouse whose relative motion and buttons the test sets.
class ScriptedMouse : public OIS::Mouse {
public:
    ScriptedMouse() : OIS::Mouse("scripted", false, 0, nullptr) {}

    void move(int dx, int dy, bool rightButton)
    {
        mState.X.rel = dx;
        mState.Y.rel = dy;
        mState.buttons = rightButton ? (1 << OIS::MB_Right) : 0;
    }

    // Motion that the next capture reports, as OIS reports the motion since the
    // previous capture: once motion is queued, a capture with none queued reports none.
    void queueMotion(int dx, int dy)
    {
        mQueuedX += dx;
        mQueuedY += dy;
        mQueues = true;
    }

    void setBuffered(bool) override {}
    void capture() override
    {
        ++mCaptures;
        if (!mQueues) return;
        mState.X.rel = mQueuedX;
        mState.Y.rel = mQueuedY;
        mQueuedX = mQueuedY = 0;
    }
    OIS::Interface* queryInterface(OIS::Interface::IType) override { return nullptr; }
    void _initialize() override {}

    int mCaptures = 0;

private:
    int mQueuedX = 0, mQueuedY = 0;
    bool mQueues = false;
};

}  // namespace testsupport
