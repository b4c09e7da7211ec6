// Builds the water programs' media:
//   watergen sky <clubtropicana|earlymorning|clouds> <folder> <Ogre plug-in folder>
//   watergen hdx <lake|ocean> <file.hdx>
#include <OgreException.h>

#include <cstdio>
#include <cstring>

#include "HydraxFiles.h"
#include "SkyBoxFaces.h"
#include "tools/offline/OfflineOgre.h"

int main(int argc, char** argv)
{
    try {
        if (argc == 5 && std::strcmp(argv[1], "sky") == 0) {
            OfflineOgre ogre("watergen.log");
            ogre.loadImageCodec(argv[4]);
            if (writeSkyBoxFaces(argv[2], argv[3], 512)) return 0;
            std::fprintf(stderr, "watergen: no sky named %s\n", argv[2]);
            return 2;
        }
        if (argc == 4 && std::strcmp(argv[1], "hdx") == 0) {
            if (writeHydraxFile(argv[2], argv[3])) return 0;
            std::fprintf(stderr, "watergen: cannot write a %s file to %s\n", argv[2], argv[3]);
            return 1;
        }
    } catch (const Ogre::Exception& e) {
        std::fprintf(stderr, "watergen: %s\n", e.getFullDescription().c_str());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: watergen sky <clubtropicana|earlymorning|clouds> <folder> <plugin folder>"
                 " | watergen hdx <lake|ocean> <file.hdx>\n");
    return 2;
}
