#include "assets/CubeMesh.h"

#include <Ogre.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr int VERTEX_COUNT = 24;
constexpr int INDEX_COUNT = 36;

// Four vertices per face, faces in the order -z, +z, -x, +x, -y, +y.
const float positions[VERTEX_COUNT][3] = {
    {-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {1, 1, -1},
    {1, -1, 1},   {-1, -1, 1}, {1, 1, 1},   {-1, 1, 1},
    {-1, -1, 1},  {-1, -1, -1}, {-1, 1, 1}, {-1, 1, -1},
    {1, -1, -1},  {1, -1, 1},  {1, 1, -1},  {1, 1, 1},
    {-1, -1, 1},  {1, -1, 1},  {-1, -1, -1}, {1, -1, -1},
    {-1, 1, -1},  {1, 1, -1},  {-1, 1, 1},  {1, 1, 1},
};

const float faceNormals[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}};

const float faceTexCoords[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};

Ogre::HardwareVertexBufferSharedPtr createBuffer(Ogre::VertexBufferBinding* binding, unsigned short source,
                                                 std::size_t vertexSize)
{
    Ogre::HardwareVertexBufferSharedPtr buffer = Ogre::HardwareBufferManager::getSingleton().createVertexBuffer(
        vertexSize, VERTEX_COUNT, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, false);
    binding->setBinding(source, buffer);
    return buffer;
}

}  // namespace

void createCubeMesh()
{
    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual(
        "my_cube_mesh", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
    Ogre::SubMesh* subMesh = mesh->createSubMesh();
    subMesh->useSharedVertices = false;

    Ogre::VertexData* vertexData = new Ogre::VertexData();
    subMesh->vertexData = vertexData;
    vertexData->vertexStart = 0;
    vertexData->vertexCount = VERTEX_COUNT;

    Ogre::VertexDeclaration* declaration = vertexData->vertexDeclaration;
    declaration->addElement(0, 0, Ogre::VET_FLOAT3, Ogre::VES_POSITION, 0);
    declaration->addElement(1, 0, Ogre::VET_FLOAT3, Ogre::VES_NORMAL, 0);
    declaration->addElement(2, 0, Ogre::VET_FLOAT2, Ogre::VES_TEXTURE_COORDINATES, 0);

    Ogre::VertexBufferBinding* binding = vertexData->vertexBufferBinding;
    Ogre::HardwareVertexBufferSharedPtr positionBuffer = createBuffer(binding, 0, 3 * sizeof(float));
    Ogre::HardwareVertexBufferSharedPtr normalBuffer = createBuffer(binding, 1, 3 * sizeof(float));
    Ogre::HardwareVertexBufferSharedPtr texCoordBuffer = createBuffer(binding, 2, 2 * sizeof(float));

    float normals[VERTEX_COUNT][3];
    float texCoords[VERTEX_COUNT][2];
    for (int v = 0; v < VERTEX_COUNT; ++v) {
        for (int k = 0; k < 3; ++k) normals[v][k] = faceNormals[v / 4][k];
        for (int k = 0; k < 2; ++k) texCoords[v][k] = faceTexCoords[v % 4][k];
    }
    positionBuffer->writeData(0, positionBuffer->getSizeInBytes(), positions, true);
    normalBuffer->writeData(0, normalBuffer->getSizeInBytes(), normals, true);
    texCoordBuffer->writeData(0, texCoordBuffer->getSizeInBytes(), texCoords, true);

    // Two triangles per face, counter-clockwise seen from outside.
    std::uint16_t indices[INDEX_COUNT];
    for (int f = 0; f < 6; ++f) {
        const std::uint16_t b = std::uint16_t(4 * f);
        const std::uint16_t face[6] = {b, std::uint16_t(b + 2), std::uint16_t(b + 1),
                                       std::uint16_t(b + 1), std::uint16_t(b + 2), std::uint16_t(b + 3)};
        for (int k = 0; k < 6; ++k) indices[6 * f + k] = face[k];
    }
    Ogre::HardwareIndexBufferSharedPtr indexBuffer = Ogre::HardwareBufferManager::getSingleton().createIndexBuffer(
        Ogre::HardwareIndexBuffer::IT_16BIT, INDEX_COUNT, Ogre::HardwareBuffer::HBU_STATIC, true);
    void* target = indexBuffer->lock(0, indexBuffer->getSizeInBytes(), Ogre::HardwareBuffer::HBL_DISCARD);
    std::memcpy(target, indices, sizeof(indices));
    indexBuffer->unlock();

    subMesh->indexData->indexBuffer = indexBuffer;
    subMesh->indexData->indexStart = 0;
    subMesh->indexData->indexCount = INDEX_COUNT;

    mesh->_setBounds(Ogre::AxisAlignedBox(-1, -1, -1, 1, 1, 1), true);
    mesh->load(false);
    mesh->touch();
}
