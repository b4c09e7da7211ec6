#pragma once
// Ogre without a display for the tests: the offline Ogre of the tools with the
// PNG codec, the overlay system and one generic scene manager, made once per
// test process and torn down after the last test; and a render window that
// draws nothing.
#include <Ogre.h>
#include <Overlay/OgreOverlaySystem.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tools/offline/OfflineOgre.h"

namespace testsupport {

class HeadlessOgre : public ::testing::Environment {
public:
    // A test that ends the process with exit() (a death test's child) gets
    // here without TearDown, after the plug-ins' own statics are gone: Ogre is
    // then left standing, as a program that exits leaves it (and reachable,
    // so that the leak checker does not count it).
    ~HeadlessOgre() override
    {
        if (!mOgre) return;
        mOverlays.release();
        sLeftStanding = mOgre.release();
    }

    void SetUp() override
    {
        mOgre.reset(new OfflineOgre("headless.log"));
        mOverlays.reset(new Ogre::OverlaySystem());
        mOgre->loadImageCodec(OGRE_PLUGIN_FOLDER);
        sSceneMgr = mOgre->root().createSceneManager();
    }

    void TearDown() override
    {
        sSceneMgr = nullptr;
        mOverlays.reset();
        mOgre.reset();
    }

    static Ogre::SceneManager* sceneManager() { return sSceneMgr; }
    // A further, empty scene manager, for tests that build a whole scene.
    static Ogre::SceneManager* newSceneManager() { return Ogre::Root::getSingleton().createSceneManager(); }

    // A name not used before in this process (entities, nodes, cameras).
    static std::string uniqueName(const std::string& prefix)
    {
        static int counter = 0;
        return prefix + std::to_string(++counter);
    }

private:
    std::unique_ptr<OfflineOgre> mOgre;
    std::unique_ptr<Ogre::OverlaySystem> mOverlays;
    static inline Ogre::SceneManager* sSceneMgr = nullptr;
    static inline OfflineOgre* sLeftStanding = nullptr;
};

// Registers the environment from any test file that includes this header.
inline ::testing::Environment* const headlessOgre = ::testing::AddGlobalTestEnvironment(new HeadlessOgre);

// A render window of a given size that draws nothing; its contents are mid grey.
class FakeWindow : public Ogre::RenderWindow {
public:
    FakeWindow(unsigned width, unsigned height)
    {
        mName = HeadlessOgre::uniqueName("FakeWindow");
        mWidth = width;
        mHeight = height;
        mActive = true;
    }
    ~FakeWindow() override { removeAllViewports(); }

    void create(const Ogre::String&, unsigned, unsigned, bool, const Ogre::NameValuePairList*) override {}
    void destroy() override { mClosed = true; }
    void resize(unsigned width, unsigned height) override
    {
        mWidth = width;
        mHeight = height;
    }
    void reposition(int, int) override {}
    bool isClosed() const override { return mClosed; }
    bool requiresTextureFlipping() const override { return false; }
    void copyContentsToMemory(const Ogre::Box& src, const Ogre::PixelBox& dst, FrameBuffer) override
    {
        Ogre::PixelBox target = dst;
        for (Ogre::uint32 y = 0; y < src.getHeight(); ++y)
            for (Ogre::uint32 x = 0; x < src.getWidth(); ++x)
                target.setColourAt(Ogre::ColourValue(0.5f, 0.5f, 0.5f), x, y, 0);
    }

    bool mClosed = false;
};

}  // namespace testsupport
