// The Ogre plug-in that offers the scene manager type "TerrainSceneManager" to
// programs whose "plugins.cfg" lists it.
#include <OgrePlugin.h>
#include <OgreRoot.h>

#include "platform/terrain/TerrainSceneManager.h"

namespace {

class TerrainPlugin : public Ogre::Plugin {
public:
    const Ogre::String& getName() const override
    {
        static const Ogre::String name = "Terrain Scene Manager";
        return name;
    }
    void install() override { mFactory = OGRE_NEW platform::TerrainSceneManagerFactory(); }
    // Removing the factory destroys the scene managers it made, while the
    // material manager that their terrain materials belong to still exists.
    void initialise() override { Ogre::Root::getSingleton().addSceneManagerFactory(mFactory); }
    void shutdown() override { Ogre::Root::getSingleton().removeSceneManagerFactory(mFactory); }
    void uninstall() override
    {
        OGRE_DELETE mFactory;
        mFactory = nullptr;
    }

private:
    platform::TerrainSceneManagerFactory* mFactory = nullptr;
};

TerrainPlugin* plugin = nullptr;

}  // namespace

extern "C" void dllStartPlugin()
{
    plugin = OGRE_NEW TerrainPlugin();
    Ogre::Root::getSingleton().installPlugin(plugin);
}

extern "C" void dllStopPlugin()
{
    Ogre::Root::getSingleton().uninstallPlugin(plugin);
    OGRE_DELETE plugin;
    plugin = nullptr;
}
