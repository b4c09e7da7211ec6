#pragma once
// What the OFF and PLY models share once their vertices are read and scaled:
// the manual mesh with its normals, buffers and bounds and the two lines that
// report the bounds; and the way they refuse a model.
#include <cstdint>
#include <string>

#include "assets/ManualMesh.h"

// Creates the manual mesh `meshName`, computes the vertex normals (returned in
// `normals`, new float[3 numVertices], owned by the caller), writes the
// buffers, sets the bounds, prints
//   "min: %5.5f / %5.5f / %5.5f\n" and "max: %5.5f / %5.5f / %5.5f\n"
// on standard output, then loads and touches the mesh.
ManualMesh publishModelMesh(const std::string& meshName, const float* vertices, int numVertices,
                            const std::uint16_t* faces, int numFaces, const float minimum[3],
                            const float maximum[3], float*& normals);

// Writes `<source>: "<fileName>": <what>` on standard error and throws it as an
// Ogre::Exception (invalid parameters).
[[noreturn]] void refuseModel(const char* source, const std::string& fileName, const std::string& what);

// A scaled coordinate as the float it is stored in; one that leaves the range
// of floats (or is not a number) refuses the model.
float scaledCoordinate(double value, const char* source, const std::string& fileName);
