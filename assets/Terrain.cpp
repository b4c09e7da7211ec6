#include "assets/Terrain.h"

#include <OgreException.h>
#include <OgreLogManager.h>
#include <OgreMeshManager.h>
#include <OgreRay.h>
#include <OgreSceneQuery.h>

#include <cstdio>
#include <memory>
#include <string>

#include "assets/ManualMesh.h"

namespace {

unsigned checkedCount(unsigned count, unsigned maximum, const char* what)
{
    if (count < 2 || count > maximum)
        OGRE_EXCEPT(Ogre::Exception::ERR_INVALIDPARAMS,
                    std::string("Terrain: ") + what + " per side must lie from 2 to " + std::to_string(maximum) +
                        ", not " + std::to_string(count),
                    "Terrain::Terrain");
    return count;
}

// "Bunny", or when an earlier model took that name (the programs that float the
// OFF bunny make it first, and Ogre refuses a second mesh of one name) the
// first free "Bunny/Terrain", "Bunny/Terrain2", ...
std::string freeMeshName()
{
    Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
    std::string name = "Bunny";
    for (int n = 1; meshes.resourceExists(name); ++n) name = "Bunny/Terrain" + (n > 1 ? std::to_string(n) : "");
    if (name != "Bunny")
        Ogre::LogManager::getSingleton().logMessage("Terrain: a mesh \"Bunny\" exists already; the terrain's coarse "
                                                    "mesh is \"" + name + "\"");
    return name;
}

}  // namespace

Terrain::Terrain(Ogre::SceneManager* sceneMgr, float size, unsigned numSamples, unsigned meshSamples)
    : mSceneMgr(sceneMgr),
      mNumSamplesX(checkedCount(numSamples, MAX_SAMPLES, "height samples")),
      mNumSamplesZ(numSamples),
      mSize(size),
      mHeights(nullptr),
      mMeshSamplesX(checkedCount(meshSamples, MAX_MESH_SAMPLES, "mesh samples")),
      mMeshSamplesZ(meshSamples),
      mNumVertices(0),
      mVertices(nullptr),
      mNormals(nullptr),
      mNumFaces(0),
      mFaces(nullptr),
      mSubMesh(nullptr)
{
    mHeights = new float[std::size_t(numSamples) * numSamples];
}

Terrain::~Terrain()
{
    delete[] mHeights;
    delete[] mVertices;
    delete[] mNormals;
    delete[] mFaces;
    mIndexBuffer.reset();
    mNormalBuffer.reset();
    mPositionBuffer.reset();
    mMesh.reset();
}

void Terrain::create()
{
    // 1. Heights over world x and z from 0 to the size.
    for (std::uint32_t j = 0; j < mNumSamplesZ; ++j) {
        for (std::uint32_t i = 0; i < mNumSamplesX; ++i) {
            const float x = float(i) / float(mNumSamplesX - 1) * mSize;
            const float z = float(j) / float(mNumSamplesZ - 1) * mSize;
            float height;
            mHeights[i + j * mNumSamplesX] = probe(x, z, height) ? height : 0.0f;
        }
    }

    // 2. Mesh vertices on rays of their own, centred on the origin in x and z.
    mNumVertices = mMeshSamplesX * mMeshSamplesZ;
    mVertices = new float[3 * std::size_t(mNumVertices)];
    for (std::uint32_t j = 0; j < mMeshSamplesZ; ++j) {
        for (std::uint32_t i = 0; i < mMeshSamplesX; ++i) {
            const float x = float(i) / float(mMeshSamplesX - 1) * mSize;
            const float z = float(j) / float(mMeshSamplesZ - 1) * mSize;
            float height;
            if (!probe(x, z, height)) height = 0.0f;
            float* v = mVertices + 3 * std::size_t(i + j * mMeshSamplesX);
            v[0] = float(double(x) - double(mSize) * 0.5);
            v[1] = height;
            v[2] = float(double(z) - double(mSize) * 0.5);
        }
    }

    // 3. Two triangles per cell, row by row.
    mNumFaces = 2 * (mMeshSamplesX - 1) * (mMeshSamplesZ - 1);
    mFaces = new unsigned short[3 * std::size_t(mNumFaces)];
    const unsigned short w = static_cast<unsigned short>(mMeshSamplesX);
    unsigned short* f = mFaces;
    for (unsigned short r = 0; r + 1u < mMeshSamplesZ; ++r) {
        for (unsigned short c = 0; c + 1u < mMeshSamplesX; ++c) {
            const unsigned short here = static_cast<unsigned short>(r * w + c);
            const unsigned short below = static_cast<unsigned short>((r + 1) * w + c);
            *f++ = here;
            *f++ = below;
            *f++ = static_cast<unsigned short>(here + 1);
            *f++ = below;
            *f++ = static_cast<unsigned short>(below + 1);
            *f++ = static_cast<unsigned short>(here + 1);
        }
    }

    // 4. The manual mesh with one submesh of its own vertex data.
    ManualMesh manual = beginManualMesh(freeMeshName(), mNumVertices);
    mMesh = manual.mesh;
    mSubMesh = manual.subMesh;

    // 5. Bounds.
    float minimum[3], maximum[3];
    vertexBounds(mVertices, mNumVertices, minimum, maximum);

    // 6. Normals.
    mNormals = computeVertexNormals(mVertices, mNumVertices, mFaces, mNumFaces);

    // 7. to 10. Declaration, position, normal and index buffers.
    fillManualMesh(manual, mVertices, mNormals, mNumVertices, mFaces, mNumFaces);
    mPositionBuffer = manual.positionBuffer;
    mNormalBuffer = manual.normalBuffer;
    mIndexBuffer = manual.indexBuffer;

    // 11., 12. Padded bounds, load, touch.
    finishManualMesh(manual, Ogre::Vector3(minimum), Ogre::Vector3(maximum));
}

bool Terrain::probe(float x, float z, float& height) const
{
    const Ogre::Ray ray(Ogre::Vector3(x, -1000, z), Ogre::Vector3::UNIT_Y);
    const auto destroy = [this](Ogre::RaySceneQuery* q) { mSceneMgr->destroyQuery(q); };
    std::unique_ptr<Ogre::RaySceneQuery, decltype(destroy)> query(mSceneMgr->createRayQuery(ray, 0xFFFFFFFF),
                                                                  destroy);
    const Ogre::RaySceneQueryResult& result = query->execute();
    if (result.empty() || !result.front().worldFragment) {
        std::printf("err: no intersection\n");
        return false;
    }
    height = result.front().worldFragment->singleIntersection.y;
    return true;
}
