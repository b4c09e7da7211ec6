#pragma once
// A triangle model read from a PLY file through the PLY reader, scaled by a
// plain factor, published to Ogre as a manual mesh, and kept as public arrays
// for the triangle-mesh initialiser.
#include <cstdio>
#include <string>

#include "assets/ModelFields.h"

// Reads the PLY file (".ply" appended unless the name ends in it): "x", "y"
// and "z" of each "vertex", and the "vertex_indices" list of each "face"
// (also asking for its "intensity"). Prints on standard output "version %f\n",
// "type %d\n", "element %s %d\n" before each element, then every comment as
// "comment = '%s'\n" and every obj_info text as "obj_info = '%s'\n". Only
// triangles are stored: any other face prints "Too many faces: %d!\n" and
// leaves a 0, 0, 0 triangle in its slot. Allocates the arrays with new[]; the
// caller owns them.
//
// A file that cannot be opened, or whose header is not a PLY header, leaves
// the outputs untouched, silently. A malformed file, something that is no
// regular file, a "vertex" element without "x", "y" or "z", a "face" element
// without a "vertex_indices" list, more than 65536 vertices or an index outside
// the vertices is a fatal error of the reader (exit status -1, see plyfile.h).
void readPlyFile(const std::string& fileName, int& numVertices, float*& vertices, int& numFaces,
                 unsigned short*& faces);

// The same from an open stream, which it closes.
void readPlyStream(std::FILE* fp, int& numVertices, float*& vertices, int& numFaces, unsigned short*& faces);

class PlyMesh : public ModelFields {
public:
    // Reads the file, multiplies every coordinate by `scale` and publishes the
    // manual mesh `meshName`. Throws an Ogre::Exception for a file that gives
    // no vertex or no face, a scaled model that leaves the range of floats, or
    // a mesh name that is taken; nothing is kept then.
    PlyMesh(const std::string& meshName, const std::string& fileName, float scale);
    // Releases the buffers and the mesh; the arrays stay allocated.
    virtual ~PlyMesh();

    PlyMesh(const PlyMesh&) = delete;
    PlyMesh& operator=(const PlyMesh&) = delete;
};
