#pragma once
// What the OFF and PLY models share once their vertices are read and scaled:
// the manual mesh with its normals, buffers and bounds and the two lines that
// report the bounds; and the way they refuse a model.
#include <cstdint>
#include <string>

#include "assets/ManualMesh.h"
#include "assets/ModelFields.h"

// 16-bit indices address no more vertices; the face limit keeps every count
// derived from it (indices, bytes) far inside an int.
constexpr int MAX_MODEL_VERTICES = 65536;
constexpr int MAX_MODEL_FACES = 1 << 24;

// Creates the manual mesh `meshName`, computes the vertex normals (returned in
// `normals`, new float[3 numVertices], owned by the caller), writes the
// buffers, sets the bounds, prints
//   "min: %5.5f / %5.5f / %5.5f\n" and "max: %5.5f / %5.5f / %5.5f\n"
// on standard output, then loads and touches the mesh.
ManualMesh publishModelMesh(const std::string& meshName, const float* vertices, int numVertices,
                            const std::uint16_t* faces, int numFaces, const float minimum[3],
                            const float maximum[3], float*& normals);

// The same for a model (OffMesh, PlyMesh) from its scaled arrays, keeping the
// mesh and its buffers in the model's fields.
void publishModel(ModelFields& model, const std::string& meshName, const float minimum[3], const float maximum[3]);

// A model's destructor: the index, normal and position buffers, then the mesh;
// the arrays stay allocated (bodies may still point at the vertices).
void releaseModelMesh(ModelFields& model);

// A model's constructor that fails frees the arrays: no object is left to own them.
void freeModelArrays(ModelFields& model);

// Writes `<source>: "<fileName>": <what>` on standard error and throws it as an
// Ogre::Exception (invalid parameters).
[[noreturn]] void refuseModel(const char* source, const std::string& fileName, const std::string& what);

// A scaled coordinate as the float it is stored in; one that leaves the range
// of floats (or is not a number) refuses the model.
float scaledCoordinate(double value, const char* source, const std::string& fileName);
