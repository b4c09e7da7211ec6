// readOffStream on any bytes, then the vertex normals and bounds the mesh is
// built with: a refusal is an Ogre::Exception, anything else must read and
// write only inside the arrays.
#include <OgreException.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "assets/ManualMesh.h"
#include "assets/OffMesh.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<char> bytes(data, data + size);
    std::FILE* fp = fmemopen(bytes.data(), size, "r");
    if (!fp) return 0;
    int numVertices = 0, numFaces = 0;
    float* vertices = nullptr;
    unsigned short* faces = nullptr;
    try {
        readOffStream(fp, "fuzz.off", numVertices, vertices, numFaces, faces);
    } catch (const Ogre::Exception&) {
    }
    std::fclose(fp);
    if (vertices) {
        float* normals = computeVertexNormals(vertices, std::uint32_t(numVertices), faces, std::uint32_t(numFaces));
        float lo[3], hi[3];
        vertexBounds(vertices, std::uint32_t(numVertices), lo, hi);
        delete[] normals;
    }
    delete[] vertices;
    delete[] faces;
    return 0;
}
