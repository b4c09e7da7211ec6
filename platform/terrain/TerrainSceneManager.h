#pragma once
// A scene manager of type "TerrainSceneManager": Ogre's generic scene manager
// plus one terrain as its world geometry, loaded from a terrain configuration
// file (keys in TerrainConfig.cpp) by setWorldGeometry.
//
// The terrain is drawn by lit, textured, fixed-function meshes under the root's
// child node "Terrain", with the material "<scene manager name>/Terrain" (or the
// file's custom material). Its movables carry query flags 0, so that ray queries
// report the terrain only as their world fragment.
//
// Ray queries answer in the terrain's own coordinates, whatever the "Terrain"
// node's pose: x from 0 to WorldSizeX, z from 0 to WorldSizeZ, edges included.
// Moving the node moves the drawn terrain only; callers that move it sample in
// the terrain's coordinates and add the node's offset themselves.
#include <OgreSceneManager.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/terrain/HeightField.h"

namespace platform {

class TerrainSceneManager : public Ogre::SceneManager {
public:
    static const Ogre::String TYPE_NAME;  // "TerrainSceneManager"
    static const Ogre::String NODE_NAME;  // "Terrain"
    // A height map's pixels are the terrain's samples. None of its users samples
    // it more finely than this per side (the densest heights a Terrain takes),
    // and the drawn tiles of a larger map would take gigabytes: a larger one is
    // refused from its header, before its pixels are decoded.
    static constexpr std::uint32_t MAX_HEIGHT_MAP_SIDE = 4097;

    explicit TerrainSceneManager(const Ogre::String& name);
    ~TerrainSceneManager() override;

    const Ogre::String& getTypeName() const override { return TYPE_NAME; }

    // Reads the configuration, its height map and its texture from the world
    // resource group and builds the terrain, replacing any terrain before it.
    // Throws an Ogre::Exception naming the file and the key when something is
    // missing, unreadable, no regular file (a FIFO would wait for good) or a
    // height map too large; the scene is then left as it was.
    void setWorldGeometry(const Ogre::String& filename) override;

    // Sorted by distance, answering the terrain as a single-intersection world
    // fragment when the query's type mask holds the world geometry.
    Ogre::RaySceneQuery* createRayQuery(const Ogre::Ray& ray, Ogre::uint32 mask = 0xFFFFFFFF) override;

    // Everything, the terrain included.
    void clearScene() override;

    // The loaded terrain's surface; null before setWorldGeometry.
    const HeightField* getHeightField() const { return mHeightField.get(); }
    // The name of the material of our own, used unless the file names one.
    Ogre::String terrainMaterialName() const;

private:
    void destroyTerrain();

    std::unique_ptr<HeightField> mHeightField;
    Ogre::SceneNode* mTerrainNode = nullptr;
    std::vector<Ogre::MovableObject*> mTiles;
};

class TerrainSceneManagerFactory : public Ogre::SceneManagerFactory {
public:
    Ogre::SceneManager* createInstance(const Ogre::String& instanceName) override;
    void destroyInstance(Ogre::SceneManager* instance) override;

protected:
    void initMetaData() const override;
};

}  // namespace platform
