// readPlyStream on any bytes, with the reader's fatal errors thrown instead of
// ending the process (the reader must free everything it holds on the way
// out), then the vertex normals and bounds the mesh is built with.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "assets/ManualMesh.h"
#include "assets/PlyMesh.h"
#include "assets/util/plyfile/plyfile.h"

namespace {

struct PlyFatal {};

void throwFatal(const char*) { throw PlyFatal(); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ply_set_fatal_handler(throwFatal);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<char> bytes(data, data + size);
    std::FILE* fp = fmemopen(bytes.data(), size, "r");
    if (!fp) return 0;
    int numVertices = 0, numFaces = 0;
    float* vertices = nullptr;
    unsigned short* faces = nullptr;
    try {
        readPlyStream(fp, numVertices, vertices, numFaces, faces);  // closes the stream
    } catch (const PlyFatal&) {
    }
    if (vertices && numVertices > 0) {
        float* normals = computeVertexNormals(vertices, std::uint32_t(numVertices), faces, std::uint32_t(numFaces));
        float lo[3], hi[3];
        vertexBounds(vertices, std::uint32_t(numVertices), lo, hi);
        delete[] normals;
    }
    delete[] vertices;
    delete[] faces;
    return 0;
}
