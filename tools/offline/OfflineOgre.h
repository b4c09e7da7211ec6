#pragma once
// Ogre without a display or a render system, for the media generators, the
// tests and the benchmarks: the root's managers with buffers and textures in
// system memory, the default materials that meshes name, and a log that writes
// no file. One per process.
#include <OgreDefaultHardwareBufferManager.h>
#include <OgreLogManager.h>
#include <OgreRoot.h>
#include <OgreTextureManager.h>

#include <memory>
#include <string>

class OfflineOgre {
public:
    explicit OfflineOgre(const std::string& logName);
    ~OfflineOgre();
    OfflineOgre(const OfflineOgre&) = delete;
    OfflineOgre& operator=(const OfflineOgre&) = delete;

    Ogre::Root& root() { return *mRoot; }

    // Loads the image codec (PNG and the other formats of stb) from Ogre's plug-in folder.
    void loadImageCodec(const std::string& pluginFolder);

private:
    std::unique_ptr<Ogre::LogManager> mLogManager;
    std::unique_ptr<Ogre::Root> mRoot;
    std::unique_ptr<Ogre::DefaultHardwareBufferManager> mBuffers;
    std::unique_ptr<Ogre::DefaultTextureManager> mTextures;
};
