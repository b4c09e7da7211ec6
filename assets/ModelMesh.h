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

// The same for a model (OffMesh, PlyMesh) from its scaled arrays, keeping the
// mesh and its buffers in the model's fields.
template <class Model>
void publishModel(Model& model, const std::string& meshName, const float minimum[3], const float maximum[3])
{
    const ManualMesh mesh = publishModelMesh(meshName, model.mVertices, model.mNumVertices, model.mFaces,
                                             model.mNumFaces, minimum, maximum, model.mNormals);
    model.mMesh = mesh.mesh;
    model.mSubMesh = mesh.subMesh;
    model.mPositionBuffer = mesh.positionBuffer;
    model.mNormalBuffer = mesh.normalBuffer;
    model.mIndexBuffer = mesh.indexBuffer;
}

// A model's destructor: the index, normal and position buffers, then the mesh;
// the arrays stay allocated (bodies may still point at the vertices).
template <class Model>
void releaseModelMesh(Model& model)
{
    model.mIndexBuffer.reset();
    model.mNormalBuffer.reset();
    model.mPositionBuffer.reset();
    model.mMesh.reset();
}

// A model's constructor that fails frees the arrays: no object is left to own them.
template <class Model>
void freeModelArrays(Model& model)
{
    delete[] model.mVertices;
    delete[] model.mNormals;
    delete[] model.mFaces;
}

// Writes `<source>: "<fileName>": <what>` on standard error and throws it as an
// Ogre::Exception (invalid parameters).
[[noreturn]] void refuseModel(const char* source, const std::string& fileName, const std::string& what);

// A scaled coordinate as the float it is stored in; one that leaves the range
// of floats (or is not a number) refuses the model.
float scaledCoordinate(double value, const char* source, const std::string& fileName);
