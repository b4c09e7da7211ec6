#pragma once
// What an OFF or PLY model keeps once read: its manual mesh and buffers, and the
// arrays the mesh was made from, which a triangle-mesh body may point into.
#include <OgreHardwareIndexBuffer.h>
#include <OgreHardwareVertexBuffer.h>
#include <OgreMesh.h>
#include <OgreSubMesh.h>

struct ModelFields {
    Ogre::MeshPtr mMesh;
    Ogre::SubMesh* mSubMesh = nullptr;
    int mNumVertices = 0;
    float* mVertices = nullptr;  // x, y, z triples, scaled
    float* mNormals = nullptr;   // x, y, z triples, unit vertex normals (zero where no triangle has area)
    int mNumFaces = 0;
    unsigned short* mFaces = nullptr;  // three vertex indices per triangle
    Ogre::HardwareVertexBufferSharedPtr mPositionBuffer;
    Ogre::HardwareVertexBufferSharedPtr mNormalBuffer;
    Ogre::HardwareIndexBufferSharedPtr mIndexBuffer;
};
