#include "OfflineOgre.h"

#include <OgreMaterialManager.h>

OfflineOgre::OfflineOgre() : mLogManager(new Ogre::LogManager())
{
    mLogManager->createLog("mediagen.log", true, false, true);
    mRoot.reset(new Ogre::Root("", "", ""));
    mBuffers.reset(new Ogre::DefaultHardwareBufferManager());
    // Its default materials (which meshes name) otherwise come with a render system.
    Ogre::MaterialManager::getSingleton().initialise();
}

OfflineOgre::~OfflineOgre()
{
    // The root's meshes still hold buffers of the buffer manager.
    mRoot.reset();
    mBuffers.reset();
    mLogManager.reset();
}

void OfflineOgre::loadPlugin(const std::string& pluginFolder, const std::string& name)
{
    mRoot->loadPlugin(pluginFolder + "/" + name);
}
