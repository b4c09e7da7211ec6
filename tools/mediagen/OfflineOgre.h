#pragma once
// Just enough of Ogre to build meshes and images without a window or a render
// system: the root's managers, buffers in system memory, a quiet log.
#include <OgreDefaultHardwareBufferManager.h>
#include <OgreLogManager.h>
#include <OgreRoot.h>

#include <memory>
#include <string>

class OfflineOgre {
public:
    OfflineOgre();
    ~OfflineOgre();

    // Loads a plug-in (an image codec) from Ogre's plug-in folder.
    void loadPlugin(const std::string& pluginFolder, const std::string& name);

private:
    std::unique_ptr<Ogre::LogManager> mLogManager;
    std::unique_ptr<Ogre::Root> mRoot;
    std::unique_ptr<Ogre::DefaultHardwareBufferManager> mBuffers;
};
