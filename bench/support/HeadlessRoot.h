#pragma once
// Ogre without a display for the benchmarks that build program scenes: the
// tools' offline Ogre with the PNG codec, the terrain scene manager's factory
// and the generated terrains as a resource location. One per process, writing
// its log to the file named.
#include <Ogre.h>

#include "platform/terrain/TerrainSceneManager.h"
#include "tools/offline/OfflineOgre.h"

namespace benchsupport {

struct HeadlessRoot {
    explicit HeadlessRoot(const char* logName) : ogre(logName), root(&ogre.root())
    {
        ogre.loadImageCodec(OGRE_PLUGIN_FOLDER);
        root->addSceneManagerFactory(&factory);
        Ogre::ResourceGroupManager::getSingleton().addResourceLocation(MARROWFIELD_MEDIA_DIR "/terrain", "FileSystem");
    }

    Ogre::SceneManager* terrainSceneManager()
    {
        return root->createSceneManager(platform::TerrainSceneManager::TYPE_NAME);
    }

    // Outlives the root, which destroys the managers it made at its end.
    platform::TerrainSceneManagerFactory factory;
    OfflineOgre ogre;
    Ogre::Root* root;
};

}  // namespace benchsupport
