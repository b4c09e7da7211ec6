#include "platform/terrain/TerrainTiles.h"

#include <algorithm>

namespace platform {

namespace {

// Cells [i0, i1) x [k0, k1), each split as the height field splits it: from
// its (i + 1, k) corner to its (i, k + 1) corner, both triangles counter-clockwise
// seen from above.
void fillTile(Ogre::ManualObject& tile, const HeightField& surface, std::uint32_t i0, std::uint32_t i1,
              std::uint32_t k0, std::uint32_t k1)
{
    const std::uint32_t width = i1 - i0 + 1;
    tile.estimateVertexCount(width * (k1 - k0 + 1));
    tile.estimateIndexCount(6 * (i1 - i0) * (k1 - k0));
    for (std::uint32_t k = k0; k <= k1; ++k) {
        for (std::uint32_t i = i0; i <= i1; ++i) {
            tile.position(surface.position(i, k));
            tile.normal(surface.normal(i, k));
            tile.textureCoord(float(double(i) / (surface.samplesX() - 1)),
                              float(double(k) / (surface.samplesZ() - 1)));
        }
    }
    for (std::uint32_t k = 0; k < k1 - k0; ++k) {
        for (std::uint32_t i = 0; i < i1 - i0; ++i) {
            const std::uint32_t v00 = i + k * width, v10 = v00 + 1, v01 = v00 + width, v11 = v01 + 1;
            tile.triangle(v00, v01, v10);
            tile.triangle(v01, v11, v10);
        }
    }
}

}  // namespace

std::vector<Ogre::ManualObject*> createTerrainTiles(Ogre::SceneManager& sceneManager, const HeightField& surface,
                                                    const Ogre::MaterialPtr& material, const std::string& prefix)
{
    std::vector<Ogre::ManualObject*> tiles;
    const std::uint32_t lastI = surface.samplesX() - 1, lastK = surface.samplesZ() - 1;
    for (std::uint32_t k0 = 0; k0 < lastK; k0 += TILE_CELLS) {
        for (std::uint32_t i0 = 0; i0 < lastI; i0 += TILE_CELLS) {
            Ogre::ManualObject* tile = sceneManager.createManualObject(prefix + std::to_string(tiles.size()));
            tiles.push_back(tile);
            tile->setQueryFlags(0);
            tile->setCastShadows(false);
            tile->setRenderQueueGroup(sceneManager.getWorldGeometryRenderQueue());
            tile->begin(material, Ogre::RenderOperation::OT_TRIANGLE_LIST);
            fillTile(*tile, surface, i0, std::min(i0 + TILE_CELLS, lastI), k0, std::min(k0 + TILE_CELLS, lastK));
            tile->end();
        }
    }
    return tiles;
}

}  // namespace platform
