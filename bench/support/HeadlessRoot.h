#pragma once
// Ogre without a display for the benchmarks that build program scenes: the root's
// managers with buffers in system memory, the PNG codec, the terrain scene
// manager's factory and the generated terrains as a resource location. One per
// process, writing its log to the file named.
#include <Ogre.h>
#include <OgreDefaultHardwareBufferManager.h>

#include <memory>

#include "platform/terrain/TerrainSceneManager.h"

namespace benchsupport {

struct HeadlessRoot {
    explicit HeadlessRoot(const char* logName) : log(new Ogre::LogManager())
    {
        log->createLog(logName, true, false, true);
        root.reset(new Ogre::Root("", "", ""));
        buffers.reset(new Ogre::DefaultHardwareBufferManager());
        textures.reset(new Ogre::DefaultTextureManager());
        Ogre::MaterialManager::getSingleton().initialise();
        root->loadPlugin(OGRE_PLUGIN_FOLDER "/Codec_STBI");
        root->addSceneManagerFactory(&factory);
        Ogre::ResourceGroupManager::getSingleton().addResourceLocation(MARROWFIELD_MEDIA_DIR "/terrain", "FileSystem");
    }
    ~HeadlessRoot()
    {
        textures.reset();
        root.reset();
        buffers.reset();
    }

    Ogre::SceneManager* terrainSceneManager()
    {
        return root->createSceneManager(platform::TerrainSceneManager::TYPE_NAME);
    }

    std::unique_ptr<Ogre::LogManager> log;
    platform::TerrainSceneManagerFactory factory;
    std::unique_ptr<Ogre::Root> root;
    std::unique_ptr<Ogre::DefaultHardwareBufferManager> buffers;
    std::unique_ptr<Ogre::DefaultTextureManager> textures;
};

}  // namespace benchsupport
