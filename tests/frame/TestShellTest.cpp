#include "frame/TestShell.h"

#include <gtest/gtest.h>

#include "HeadlessOgre.h"

namespace {

// A shell on the test process's root, which it must not delete.
class Shell : public TestShell {
public:
    explicit Shell(bool usesTerrain)
    {
        mUsesTerrainSceneManager = usesTerrain;
        mRoot = Ogre::Root::getSingletonPtr();
    }
    ~Shell() override
    {
        if (mSceneMgr) mRoot->destroySceneManager(mSceneMgr);
        mRoot = nullptr;
    }

    void createScene() override {}
    void updateSimulation(const Ogre::FrameEvent&) override {}
};

// Stands in for the terrain plug-in's factory, which the headless root lacks.
class TerrainFactory : public Ogre::SceneManagerFactory {
public:
    Ogre::SceneManager* createInstance(const Ogre::String& name) override
    {
        made = OGRE_NEW Ogre::DefaultSceneManager(name);
        return made;
    }
    void destroyInstance(Ogre::SceneManager* instance) override { OGRE_DELETE instance; }

    Ogre::SceneManager* made = nullptr;

protected:
    void initMetaData() const override { mMetaData.typeName = "TerrainSceneManager"; }
};

TEST(TestShell, GenericSceneManagerUnlessTheProgramHasTerrain)
{
    TerrainFactory terrain;
    Ogre::Root::getSingleton().addSceneManagerFactory(&terrain);
    {
        Shell generic(false);
        generic.chooseSceneManager();
        ASSERT_NE(generic.mSceneMgr, nullptr);
        EXPECT_EQ(generic.mSceneMgr->getName(), "ExampleSMInstance");
        EXPECT_EQ(generic.mSceneMgr->getTypeName(), Ogre::DefaultSceneManagerFactory::FACTORY_TYPE_NAME);
        EXPECT_EQ(terrain.made, nullptr);

        Shell withTerrain(true);
        withTerrain.chooseSceneManager();
        ASSERT_NE(withTerrain.mSceneMgr, nullptr);
        EXPECT_EQ(withTerrain.mSceneMgr, terrain.made);
        EXPECT_NE(withTerrain.mSceneMgr->getName(), "");  // chosen by Ogre
    }
    Ogre::Root::getSingleton().removeSceneManagerFactory(&terrain);
}

}  // namespace
