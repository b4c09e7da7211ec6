#include "tools/offline/OfflineOgre.h"

#include <OgreMaterialManager.h>

OfflineOgre::OfflineOgre(const std::string& logName) : mLogManager(new Ogre::LogManager())
{
    mLogManager->createLog(logName, true, false, true);
    mRoot.reset(new Ogre::Root("", "", ""));
    mBuffers.reset(new Ogre::DefaultHardwareBufferManager());
    mTextures.reset(new Ogre::DefaultTextureManager());
    // Its default materials otherwise come with a render system.
    Ogre::MaterialManager::getSingleton().initialise();
}

OfflineOgre::~OfflineOgre()
{
    // The root's meshes and textures still hold buffers of the buffer manager.
    mTextures.reset();
    mRoot.reset();
    mBuffers.reset();
    mLogManager.reset();
}

void OfflineOgre::loadImageCodec(const std::string& pluginFolder)
{
    mRoot->loadPlugin(pluginFolder + "/Codec_STBI");
}
