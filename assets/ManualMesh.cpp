#include "assets/ManualMesh.h"

#include <OgreHardwareBufferManager.h>
#include <OgreMeshManager.h>
#include <OgreResourceGroupManager.h>

#include <cmath>
#include <cstring>
#include <vector>

ManualMesh beginManualMesh(const std::string& name, std::uint32_t numVertices)
{
    ManualMesh m;
    m.mesh = Ogre::MeshManager::getSingleton().createManual(
        name, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
    m.subMesh = m.mesh->createSubMesh();
    m.subMesh->useSharedVertices = false;
    m.subMesh->vertexData = OGRE_NEW Ogre::VertexData();
    m.subMesh->vertexData->vertexStart = 0;
    m.subMesh->vertexData->vertexCount = numVertices;
    return m;
}

namespace {

// A static write-only buffer of three floats per vertex at `source`, written
// from a copy of the array.
Ogre::HardwareVertexBufferSharedPtr writeFloat3Buffer(Ogre::VertexData* data, unsigned short source,
                                                      const float* values)
{
    Ogre::HardwareVertexBufferSharedPtr buffer = Ogre::HardwareBufferManager::getSingleton().createVertexBuffer(
        3 * sizeof(float), data->vertexCount, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, false);
    data->vertexBufferBinding->setBinding(source, buffer);
    const std::vector<float> copy(values, values + 3 * std::size_t(data->vertexCount));
    buffer->writeData(0, buffer->getSizeInBytes(), copy.data(), true);
    return buffer;
}

}  // namespace

void fillManualMesh(ManualMesh& m, const float* vertices, const float* normals, std::uint32_t numVertices,
                    const std::uint16_t* faces, std::uint32_t numFaces)
{
    Ogre::VertexData* data = m.subMesh->vertexData;
    data->vertexCount = numVertices;
    data->vertexDeclaration->addElement(0, 0, Ogre::VET_FLOAT3, Ogre::VES_POSITION, 0);
    data->vertexDeclaration->addElement(1, 0, Ogre::VET_FLOAT3, Ogre::VES_NORMAL, 0);
    m.positionBuffer = writeFloat3Buffer(data, 0, vertices);
    m.normalBuffer = writeFloat3Buffer(data, 1, normals);

    const std::size_t indexCount = 3 * std::size_t(numFaces);
    m.indexBuffer = Ogre::HardwareBufferManager::getSingleton().createIndexBuffer(
        Ogre::HardwareIndexBuffer::IT_16BIT, indexCount, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true);
    Ogre::IndexData* indexData = m.subMesh->indexData;
    indexData->indexBuffer = m.indexBuffer;
    indexData->indexStart = 0;
    indexData->indexCount = indexCount;
    m.indexBuffer->writeData(0, m.indexBuffer->getSizeInBytes(), faces, true);
}

void finishManualMesh(ManualMesh& m, const Ogre::Vector3& minimum, const Ogre::Vector3& maximum)
{
    m.mesh->_setBounds(Ogre::AxisAlignedBox(minimum, maximum), true);
    m.mesh->load(false);
    m.mesh->touch();
}

float* computeVertexNormals(const float* vertices, std::uint32_t numVertices, const std::uint16_t* faces,
                            std::uint32_t numFaces)
{
    float* normals = new float[3 * std::size_t(numVertices)]();
    for (std::size_t f = 0; f < numFaces; ++f) {
        const float* a = vertices + 3 * std::size_t(faces[3 * f]);
        const float* b = vertices + 3 * std::size_t(faces[3 * f + 1]);
        const float* c = vertices + 3 * std::size_t(faces[3 * f + 2]);
        float e1[3], e2[3];
        for (int k = 0; k < 3; ++k) {
            e1[k] = c[k] - b[k];
            e2[k] = a[k] - b[k];
        }
        const float n[3] = {float(double(e1[1]) * e2[2] - double(e1[2]) * e2[1]),
                            float(double(e1[2]) * e2[0] - double(e1[0]) * e2[2]),
                            float(double(e1[0]) * e2[1] - double(e1[1]) * e2[0])};
        for (int corner = 0; corner < 3; ++corner) {
            float* sum = normals + 3 * std::size_t(faces[3 * f + corner]);
            for (int k = 0; k < 3; ++k) sum[k] = sum[k] + n[k];
        }
    }
    for (std::size_t v = 0; v < numVertices; ++v) {
        float* n = normals + 3 * v;
        const float length = float(std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]));
        if (length == 0.0f) continue;  // no direction to give it
        for (int k = 0; k < 3; ++k) n[k] = n[k] / length;
    }
    return normals;
}

void vertexBounds(const float* vertices, std::uint32_t numVertices, float minimum[3], float maximum[3])
{
    for (int k = 0; k < 3; ++k) minimum[k] = maximum[k] = vertices[k];
    for (std::size_t v = 1; v < numVertices; ++v) {
        for (int k = 0; k < 3; ++k) {
            const float x = vertices[3 * v + k];
            if (x < minimum[k]) minimum[k] = x;
            if (x > maximum[k]) maximum[k] = x;
        }
    }
}
