#pragma once
// What a terrain configuration file says (the keys are documented in
// TerrainConfig.cpp, where they are read).
#include <string>

namespace platform {

// The lowest height a terrain may reach: its users find the ground with vertical
// rays that start here and point up (the terrain sampling, the water's coupling),
// and would read ground below it as no ground at all.
constexpr float LOWEST_TERRAIN_HEIGHT = -1000.0f;

struct TerrainConfig {
    std::string heightMap;       // image in the world resource group
    float worldSizeX = 0;        // extent along x, from 0
    float worldSizeZ = 0;        // extent along z, from 0
    float minHeight = 0;         // height of the darkest grey
    float maxHeight = 0;         // height of the brightest grey
    std::string texture;         // spread once over the whole terrain
    std::string customMaterial;  // drawn with this material in place of our own
};

// Reads "key = value" lines. Throws an Ogre::Exception naming the file, the line
// and the key for anything it does not understand or a required key it misses.
TerrainConfig parseTerrainConfig(const std::string& text, const std::string& fileName);

}  // namespace platform
