#pragma once
// Ground heights and a coarse triangle mesh taken from the scene's world
// geometry by vertical ray queries, for the water's ground and a static
// triangle-mesh body; the coarse mesh is also published to Ogre as the manual
// mesh "Bunny" (bumphillball shows it).
//
// Samples are taken over x and z from 0 to the size, in the world geometry's own
// coordinates; the mesh is centred on the origin in x and z and keeps the heights.
#include <OgreHardwareIndexBuffer.h>
#include <OgreHardwareVertexBuffer.h>
#include <OgreMesh.h>
#include <OgreSceneManager.h>
#include <OgreSubMesh.h>

#include <cstdint>

class Terrain {
public:
    // Refuses (Ogre::Exception) counts below 2, more height samples than
    // MAX_SAMPLES per side and more mesh vertices than 16-bit indices reach,
    // before anything is allocated.
    Terrain(Ogre::SceneManager* sceneMgr, float size, unsigned numSamples, unsigned meshSamples);
    virtual ~Terrain();

    // Samples the heights, builds the coarse mesh and its manual mesh. Once,
    // after the world geometry is loaded.
    void create();

    static constexpr unsigned MAX_SAMPLES = 4097;
    static constexpr unsigned MAX_MESH_SAMPLES = 256;  // 256 x 256 vertices: indices up to 65535

    Ogre::SceneManager* mSceneMgr;
    std::uint32_t mNumSamplesX;
    std::uint32_t mNumSamplesZ;
    float mSize;
    // Sample (i, j) at i + j * mNumSamplesX, at world (i / (N - 1) size, j / (N - 1) size).
    float* mHeights;
    std::uint32_t mMeshSamplesX;
    std::uint32_t mMeshSamplesZ;
    std::uint32_t mNumVertices;
    float* mVertices;
    float* mNormals;
    std::uint32_t mNumFaces;
    unsigned short* mFaces;
    Ogre::MeshPtr mMesh;
    Ogre::SubMesh* mSubMesh;
    Ogre::HardwareVertexBufferSharedPtr mPositionBuffer;
    Ogre::HardwareVertexBufferSharedPtr mNormalBuffer;
    Ogre::HardwareIndexBufferSharedPtr mIndexBuffer;

private:
    // The height where the vertical ray through (x, z) first meets the world
    // geometry, or false (and "err: no intersection" on standard output).
    bool probe(float x, float z, float& height) const;
};
