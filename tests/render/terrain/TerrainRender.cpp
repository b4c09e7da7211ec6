// Loads one terrain configuration in a program built as the terrain programs
// are (the terrain scene manager from the plug-in that "plugins.cfg" lists, the
// generated terrains among the resources), renders a few frames and saves the
// last one:
//   terrainrender <configuration> <picture.png>
// The lake and the hills are seen as the water programs see the lake, moved by
// the "Terrain" node to (-25, 0, -25), with the coarse mesh that `Terrain`
// samples drawn over them as a wireframe; the island as seaview sees it. A flat,
// half-transparent sheet stands for the water (the lake's level 10, the sea's 0).
#include <Ogre.h>

#include <cstdio>
#include <memory>
#include <string>

#include "assets/Terrain.h"
#include "frame/Entry.h"
#include "frame/PlayerCamera.h"
#include "frame/TestShell.h"
#include "programs/seaview/SeaScene.h"

namespace {

// Saves the window's contents after a few frames and ends the loop.
class Snapshot : public Ogre::FrameListener {
public:
    Snapshot(Ogre::RenderWindow* window, std::string file) : mWindow(window), mFile(std::move(file)) {}
    bool frameRenderingQueued(const Ogre::FrameEvent&) override
    {
        if (++mFrames < 5) return true;
        mWindow->writeContentsToFile(mFile);
        return false;
    }

private:
    Ogre::RenderWindow* mWindow;
    std::string mFile;
    int mFrames = 0;
};

class TerrainRender : public TestShell {
public:
    TerrainRender(std::string configuration, std::string picture)
        : mConfiguration(std::move(configuration)), mPicture(std::move(picture))
    {
        mUsesTerrainSceneManager = true;
    }
    ~TerrainRender() override
    {
        if (mRoot && mSnapshot) mRoot->removeFrameListener(mSnapshot.get());
    }

    void createCamera() override
    {
        mCamera = createPlayerCamera(mSceneMgr, Ogre::Vector3(-30, 25, -30), Ogre::Vector3(0, 8, 0));
        if (isIsland()) seaview::placeCamera(mCamera);
    }

    void createScene() override
    {
        mSceneMgr->setWorldGeometry(mConfiguration);
        Ogre::Light* light = mSceneMgr->createLight("Light0");
        if (isIsland()) {
            mSceneMgr->setAmbientLight(Ogre::ColourValue(1, 1, 1, 1));
            light->setPosition(0, 10000, 0);
            light->setSpecularColour(1, 0.9f, 0.6f);
            mWindow->getViewport(0)->setBackgroundColour(Ogre::ColourValue(0.55f, 0.7f, 0.9f));
            createWater(0, 6000);
            return;
        }
        mSceneMgr->setAmbientLight(Ogre::ColourValue(0.1f, 0.1f, 0.1f, 0.1f));
        light->setPosition(0, 40000, 0);
        light->setDiffuseColour(1, 1, 1);

        mSceneMgr->getSceneNode("Terrain")->setPosition(-25, 0, -25);
        mTerrain = std::make_unique<Terrain>(mSceneMgr, 50.0f, 65, 13);
        mTerrain->create();
        Ogre::MaterialPtr wire = Ogre::MaterialManager::getSingleton().create(
            "TerrainRender/Wire", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
        Ogre::Pass* pass = wire->getTechnique(0)->getPass(0);
        pass->setLightingEnabled(false);
        pass->setPolygonMode(Ogre::PM_WIREFRAME);
        pass->setDepthBias(4, 4);
        pass->setCullingMode(Ogre::CULL_NONE);
        Ogre::Entity* mesh = mSceneMgr->createEntity("CoarseMesh", mTerrain->mMesh->getName());
        mesh->setMaterial(wire);
        mSceneMgr->getRootSceneNode()->createChildSceneNode()->attachObject(mesh);
        if (mConfiguration == "watertest2_terrain.cfg") createWater(10, 50);
    }

    void createFrameListener() override
    {
        mSnapshot = std::make_unique<Snapshot>(mWindow, mPicture);
        mRoot->addFrameListener(mSnapshot.get());
    }

    void updateSimulation(const Ogre::FrameEvent&) override {}

private:
    void createWater(float level, float size)
    {
        Ogre::MeshManager::getSingleton().createPlane(
            "TerrainRender/Water", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME,
            Ogre::Plane(Ogre::Vector3::UNIT_Y, level), size, size, 1, 1, false, 1, 1, 1, Ogre::Vector3::UNIT_Z);
        Ogre::MaterialPtr blue = Ogre::MaterialManager::getSingleton().create(
            "TerrainRender/Water", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
        Ogre::Pass* pass = blue->getTechnique(0)->getPass(0);
        pass->setLightingEnabled(false);
        pass->setSceneBlending(Ogre::SBT_TRANSPARENT_ALPHA);
        pass->setDepthWriteEnabled(false);
        Ogre::TextureUnitState* unit = pass->createTextureUnitState();
        unit->setColourOperationEx(Ogre::LBX_SOURCE1, Ogre::LBS_MANUAL, Ogre::LBS_CURRENT,
                                   Ogre::ColourValue(0.15f, 0.35f, 0.55f));
        unit->setAlphaOperation(Ogre::LBX_SOURCE1, Ogre::LBS_MANUAL, Ogre::LBS_CURRENT, 0.75f);
        Ogre::Entity* water = mSceneMgr->createEntity("Water", "TerrainRender/Water");
        water->setMaterial(blue);
        Ogre::SceneNode* node = mSceneMgr->getRootSceneNode()->createChildSceneNode();
        node->attachObject(water);
        // The sea's middle under the island's.
        if (isIsland()) node->setPosition(1500, 0, 1500);
    }

    bool isIsland() const { return mConfiguration == "Island.cfg"; }

    std::string mConfiguration, mPicture;
    std::unique_ptr<Terrain> mTerrain;
    std::unique_ptr<Snapshot> mSnapshot;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: terrainrender <configuration> <picture.png>\n");
        return 2;
    }
    TerrainRender app(argv[1], argv[2]);
    return runApplication(app);
}
