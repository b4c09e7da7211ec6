// Builds the terrains the programs load, into one folder:
//   terraingen <folder> <Ogre plug-in folder>
#include <OgreException.h>

#include <cstdio>
#include <exception>

#include "Terrains.h"
#include "tools/offline/OfflineOgre.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: terraingen <folder> <Ogre plug-in folder>\n");
        return 2;
    }
    try {
        OfflineOgre ogre("terraingen.log");
        ogre.loadImageCodec(argv[2]);
        for (const GeneratedTerrain& terrain : {lakeTerrain(), hillsTerrain(), islandTerrain()})
            writeTerrainFiles(terrain, argv[1]);
    } catch (const Ogre::Exception& e) {
        std::fprintf(stderr, "terraingen: %s\n", e.getFullDescription().c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "terraingen: %s\n", e.what());
        return 1;
    }
    return 0;
}
