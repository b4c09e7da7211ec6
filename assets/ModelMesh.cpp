#include "assets/ModelMesh.h"

#include <OgreException.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <memory>

ManualMesh publishModelMesh(const std::string& meshName, const float* vertices, int numVertices,
                            const std::uint16_t* faces, int numFaces, const float minimum[3],
                            const float maximum[3], float*& normals)
{
    ManualMesh mesh = beginManualMesh(meshName, std::uint32_t(numVertices));
    std::unique_ptr<float[]> computed(
        computeVertexNormals(vertices, std::uint32_t(numVertices), faces, std::uint32_t(numFaces)));
    fillManualMesh(mesh, vertices, computed.get(), std::uint32_t(numVertices), faces, std::uint32_t(numFaces));
    std::printf("min: %5.5f / %5.5f / %5.5f\n", minimum[0], minimum[1], minimum[2]);
    std::printf("max: %5.5f / %5.5f / %5.5f\n", maximum[0], maximum[1], maximum[2]);
    finishManualMesh(mesh, Ogre::Vector3(minimum), Ogre::Vector3(maximum));
    normals = computed.release();
    return mesh;
}

void refuseModel(const char* source, const std::string& fileName, const std::string& what)
{
    const std::string message = std::string(source) + ": \"" + fileName + "\": " + what;
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", message.c_str());
    OGRE_EXCEPT(Ogre::Exception::ERR_INVALIDPARAMS, message, source);
}

float scaledCoordinate(double value, const char* source, const std::string& fileName)
{
    if (!(std::fabs(value) <= FLT_MAX)) refuseModel(source, fileName, "the scaled model does not fit in floats");
    return float(value);
}

void publishModel(ModelFields& model, const std::string& meshName, const float minimum[3], const float maximum[3])
{
    const ManualMesh mesh = publishModelMesh(meshName, model.mVertices, model.mNumVertices, model.mFaces,
                                             model.mNumFaces, minimum, maximum, model.mNormals);
    model.mMesh = mesh.mesh;
    model.mSubMesh = mesh.subMesh;
    model.mPositionBuffer = mesh.positionBuffer;
    model.mNormalBuffer = mesh.normalBuffer;
    model.mIndexBuffer = mesh.indexBuffer;
}

void releaseModelMesh(ModelFields& model)
{
    model.mIndexBuffer.reset();
    model.mNormalBuffer.reset();
    model.mPositionBuffer.reset();
    model.mMesh.reset();
}

void freeModelArrays(ModelFields& model)
{
    delete[] model.mVertices;
    delete[] model.mNormals;
    delete[] model.mFaces;
}
