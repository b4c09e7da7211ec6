// Builds the media that no package ships and the programs need:
//   mediagen sphere <file.mesh>
//   mediagen palm <file.mesh>
//   mediagen rockwall <file.png> <Ogre plug-in folder>
#include <OgreException.h>

#include <cstdio>
#include <cstring>

#include "PalmMesh.h"
#include "RockwallTexture.h"
#include "SphereMesh.h"
#include "tools/offline/OfflineOgre.h"

int main(int argc, char** argv)
{
    try {
        OfflineOgre ogre("mediagen.log");
        if (argc == 3 && std::strcmp(argv[1], "sphere") == 0) {
            writeSphereMesh(argv[2]);
            return 0;
        }
        if (argc == 3 && std::strcmp(argv[1], "palm") == 0) {
            writePalmMesh(argv[2]);
            return 0;
        }
        if (argc == 4 && std::strcmp(argv[1], "rockwall") == 0) {
            ogre.loadImageCodec(argv[3]);
            writeRockwallTexture(argv[2]);
            return 0;
        }
    } catch (const Ogre::Exception& e) {
        std::fprintf(stderr, "mediagen: %s\n", e.getFullDescription().c_str());
        return 1;
    }
    std::fprintf(stderr, "usage: mediagen sphere|palm <file.mesh> | mediagen rockwall <file.png> <plugin folder>\n");
    return 2;
}
