#pragma once
// The drawn terrain: the height field cut into square tiles of at most
// TILE_CELLS x TILE_CELLS cells, each a manual object of its own (so that tiles
// out of view are culled and every tile's indices fit 16 bits), with positions,
// normals and one texture spread over the whole terrain.
#include <OgreManualObject.h>
#include <OgreMaterial.h>
#include <OgreSceneManager.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/terrain/HeightField.h"

namespace platform {

constexpr std::uint32_t TILE_CELLS = 64;

// Tiles named "<prefix><n>", row by row along z, drawn with the material; they
// cast no shadows and answer no queries (query flags 0). The caller attaches them.
std::vector<Ogre::ManualObject*> createTerrainTiles(Ogre::SceneManager& sceneManager, const HeightField& surface,
                                                    const Ogre::MaterialPtr& material, const std::string& prefix);

}  // namespace platform
