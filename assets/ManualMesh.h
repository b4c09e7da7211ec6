#pragma once
// The one way the programs publish a triangle model of their own to Ogre: a
// manual mesh with a single submesh and its own vertex data, positions at
// binding source 0 and normals at source 1 (three floats each, static
// write-only buffers without shadow copies), a 16-bit index buffer with a
// shadow copy, bounds padded, then loaded and touched.
//
// The terrain, the OFF model and the PLY model each build theirs in the same
// three stages, with their own computations in between:
//   beginManualMesh   the mesh, its submesh and vertex data (throws when the name exists)
//   fillManualMesh    the declaration and the three buffers
//   finishManualMesh  the bounds, then load and touch
#include <OgreHardwareIndexBuffer.h>
#include <OgreHardwareVertexBuffer.h>
#include <OgreMesh.h>
#include <OgreSubMesh.h>

#include <cstdint>
#include <string>

struct ManualMesh {
    Ogre::MeshPtr mesh;
    Ogre::SubMesh* subMesh = nullptr;
    Ogre::HardwareVertexBufferSharedPtr positionBuffer;
    Ogre::HardwareVertexBufferSharedPtr normalBuffer;
    Ogre::HardwareIndexBufferSharedPtr indexBuffer;
};

// Creates the manual mesh `name` in the default resource group with one submesh
// whose own vertex data holds numVertices vertices from 0. The submesh gets no
// material: the entity that shows the mesh sets one.
ManualMesh beginManualMesh(const std::string& name, std::uint32_t numVertices);

// Declares positions (source 0) and normals (source 1) and writes the vertex
// and index buffers: numVertices x, y, z triples from each array and
// 3 numFaces indices.
void fillManualMesh(ManualMesh& mesh, const float* vertices, const float* normals, std::uint32_t numVertices,
                    const std::uint16_t* faces, std::uint32_t numFaces);

// Sets the mesh's bounds (padded), then loads and touches it.
void finishManualMesh(ManualMesh& mesh, const Ogre::Vector3& minimum, const Ogre::Vector3& maximum);

// Area-weighted vertex normals of a triangle list, as new float[3 numVertices]:
// each triangle (a, b, c) adds (V[c] - V[b]) x (V[a] - V[b]) to its three
// vertices, then every sum is divided by its length in single precision. A sum
// of length zero (a vertex of no triangle, or of triangles without area) stays
// the zero vector. Every index must be below numVertices.
float* computeVertexNormals(const float* vertices, std::uint32_t numVertices, const std::uint16_t* faces,
                            std::uint32_t numFaces);

// Component-wise minimum and maximum of numVertices (at least one) x, y, z
// triples, both starting from vertex 0.
void vertexBounds(const float* vertices, std::uint32_t numVertices, float minimum[3], float maximum[3]);
