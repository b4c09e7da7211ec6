#include "SphereMesh.h"

#include <Ogre.h>
#include <OgreMeshSerializer.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int SEGMENTS = 32;  // around the y axis
constexpr int RINGS = 16;     // pole to pole

Ogre::HardwareVertexBufferSharedPtr bindBuffer(Ogre::VertexData* data, unsigned short source,
                                               const std::vector<float>& values, int floatsPerVertex)
{
    Ogre::HardwareVertexBufferSharedPtr buffer = Ogre::HardwareBufferManager::getSingleton().createVertexBuffer(
        floatsPerVertex * sizeof(float), data->vertexCount, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, false);
    buffer->writeData(0, buffer->getSizeInBytes(), values.data(), true);
    data->vertexBufferBinding->setBinding(source, buffer);
    return buffer;
}

}  // namespace

void writeSphereMesh(const std::string& path)
{
    std::vector<float> positions, normals, texCoords;
    for (int ring = 0; ring <= RINGS; ++ring) {
        const double polar = M_PI * ring / RINGS;
        for (int segment = 0; segment <= SEGMENTS; ++segment) {
            const double azimuth = 2 * M_PI * segment / SEGMENTS;
            // The poles and the seam are placed exactly, so the box is exactly the unit cube.
            const float y = ring == 0 ? 1.0f : ring == RINGS ? -1.0f : float(std::cos(polar));
            const double r = (ring == 0 || ring == RINGS) ? 0.0 : std::sin(polar);
            const float x = float(r * std::sin(azimuth));
            const float z = float(r * std::cos(azimuth));
            positions.insert(positions.end(), {x, y, z});
            normals.insert(normals.end(), {x, y, z});
            texCoords.insert(texCoords.end(), {float(segment) / SEGMENTS, float(ring) / RINGS});
        }
    }
    std::vector<std::uint16_t> indices;
    const int stride = SEGMENTS + 1;
    for (int ring = 0; ring < RINGS; ++ring) {
        for (int segment = 0; segment < SEGMENTS; ++segment) {
            const std::uint16_t a = std::uint16_t(ring * stride + segment);
            const std::uint16_t b = std::uint16_t(a + stride);
            // Counter-clockwise seen from outside.
            if (ring != 0) indices.insert(indices.end(), {a, b, std::uint16_t(a + 1)});
            if (ring != RINGS - 1) indices.insert(indices.end(), {std::uint16_t(a + 1), b, std::uint16_t(b + 1)});
        }
    }

    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual(
        "sphere.mesh", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
    Ogre::SubMesh* subMesh = mesh->createSubMesh();
    subMesh->setMaterialName("BaseWhite");
    subMesh->useSharedVertices = false;
    Ogre::VertexData* data = new Ogre::VertexData();
    subMesh->vertexData = data;
    data->vertexStart = 0;
    data->vertexCount = positions.size() / 3;
    data->vertexDeclaration->addElement(0, 0, Ogre::VET_FLOAT3, Ogre::VES_POSITION);
    data->vertexDeclaration->addElement(1, 0, Ogre::VET_FLOAT3, Ogre::VES_NORMAL);
    data->vertexDeclaration->addElement(2, 0, Ogre::VET_FLOAT2, Ogre::VES_TEXTURE_COORDINATES);
    bindBuffer(data, 0, positions, 3);
    bindBuffer(data, 1, normals, 3);
    bindBuffer(data, 2, texCoords, 2);

    Ogre::HardwareIndexBufferSharedPtr indexBuffer = Ogre::HardwareBufferManager::getSingleton().createIndexBuffer(
        Ogre::HardwareIndexBuffer::IT_16BIT, indices.size(), Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, false);
    indexBuffer->writeData(0, indexBuffer->getSizeInBytes(), indices.data(), true);
    subMesh->indexData->indexBuffer = indexBuffer;
    subMesh->indexData->indexStart = 0;
    subMesh->indexData->indexCount = indices.size();

    mesh->_setBounds(Ogre::AxisAlignedBox(-1, -1, -1, 1, 1, 1), false);
    mesh->_setBoundingSphereRadius(1);
    mesh->load();

    // Shadow volumes need the mesh's edge list.
    mesh->buildEdgeList();
    Ogre::MeshSerializer().exportMesh(mesh.get(), path);
}
