#pragma once
// A triangle model read from an OFF file, scaled so that the diagonal of its
// bounding box is a given size (not centred), published to Ogre as a manual
// mesh, and kept as public arrays for the triangle-mesh initialiser.
#include <cstdio>
#include <string>

#include "assets/ModelFields.h"

// Reads the OFF file: a header word, the vertex, face and edge counts (the
// edge count is ignored), x y z of each vertex, then each polygon as its size
// and its vertex indices. Only triangles are stored: any other polygon prints
// "invalid polygon... with %d faces\n" and leaves a 0, 0, 0 triangle in its
// slot. Allocates the arrays with new[]; the caller owns them.
//
// A file that cannot be opened prints "Error opening file \"%s\" for
// reading.\n" on standard output and leaves the outputs untouched. Something
// that is no regular file (a FIFO, a directory, a device), or a file that
// is not a model of 1 to 65536 vertices and at least one face, with finite
// coordinates and every index below the vertex count, is refused: a message
// naming the file on standard error, then an Ogre::Exception, before anything
// is stored.
void readOffFile(const std::string& fileName, int& numVertices, float*& vertices, int& numFaces,
                 unsigned short*& faces);

// The same from an open stream, which stays open; `fileName` names it in messages.
void readOffStream(std::FILE* fp, const std::string& fileName, int& numVertices, float*& vertices, int& numFaces,
                   unsigned short*& faces);

// The programs' bunny, reached from their working directories (four levels
// below the build).
constexpr const char* BUNNY_MODEL = "../../../../media/models/bunny_344.off";

class OffMesh : public ModelFields {
public:
    // Reads the file, scales every coordinate c to (c / D) * size with D the
    // diagonal of the model's box, and publishes the manual mesh `meshName`.
    // Throws an Ogre::Exception for a file that cannot be read, a model whose
    // box has no diagonal, or a mesh name that is taken; nothing is kept then.
    OffMesh(const std::string& meshName, const std::string& fileName, float size);
    // Releases the buffers and the mesh; the arrays stay allocated.
    virtual ~OffMesh();

    OffMesh(const OffMesh&) = delete;
    OffMesh& operator=(const OffMesh&) = delete;
};
