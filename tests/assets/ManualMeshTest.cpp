#include "assets/ManualMesh.h"

#include <gtest/gtest.h>

#include <OgreMeshManager.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "HeadlessOgre.h"

namespace {

using testsupport::HeadlessOgre;

// A unit square in the xz plane at height 2 (two triangles, wound as the
// terrain's so that the normals point up), and a lone vertex of no triangle.
const float squareVertices[] = {0, 2, 0, 1, 2, 0, 0, 2, 1, 1, 2, 1, 5, 5, 5};
const std::uint16_t squareFaces[] = {0, 2, 1, 2, 3, 1};

TEST(ManualMesh, NormalsAreAreaWeightedUnitSumsAndZeroWithoutArea)
{
    std::unique_ptr<float[]> normals(computeVertexNormals(squareVertices, 5, squareFaces, 2));
    for (int v = 0; v < 4; ++v) {
        EXPECT_EQ(normals[3 * v + 0], 0.0f) << v;
        EXPECT_EQ(normals[3 * v + 1], 1.0f) << v;
        EXPECT_EQ(normals[3 * v + 2], 0.0f) << v;
    }
    for (int k = 0; k < 3; ++k) EXPECT_EQ(normals[12 + k], 0.0f);  // the lone vertex

    // Two faces meeting at a right angle along an edge: the large one weighs
    // twice as much in the shared vertices' normal.
    const float fold[] = {0, 0, 0, 0, 0, 1, 2, 0, 0, 0, 1, 0};
    const std::uint16_t faces[] = {0, 2, 1, 0, 1, 3};
    std::unique_ptr<float[]> n(computeVertexNormals(fold, 4, faces, 2));
    // Wound this way, face 0 adds (0, -2, 0) and face 1 (-1, 0, 0).
    const float len = std::sqrt(5.0f);
    EXPECT_FLOAT_EQ(n[0], -1.0f / len);
    EXPECT_FLOAT_EQ(n[1], -2.0f / len);
    EXPECT_FLOAT_EQ(n[2], 0.0f);

    // A triangle without area adds nothing and leaves no NaN behind.
    const float line[] = {0, 0, 0, 1, 0, 0, 2, 0, 0};
    const std::uint16_t flat[] = {0, 1, 2};
    std::unique_ptr<float[]> z(computeVertexNormals(line, 3, flat, 1));
    for (int k = 0; k < 9; ++k) EXPECT_EQ(z[k], 0.0f);
}

TEST(ManualMesh, BoundsStartFromTheFirstVertex)
{
    float lo[3], hi[3];
    vertexBounds(squareVertices, 5, lo, hi);
    EXPECT_EQ(std::vector<float>(lo, lo + 3), (std::vector<float>{0, 2, 0}));
    EXPECT_EQ(std::vector<float>(hi, hi + 3), (std::vector<float>{5, 5, 5}));
    vertexBounds(squareVertices + 12, 1, lo, hi);
    EXPECT_EQ(std::vector<float>(lo, lo + 3), (std::vector<float>{5, 5, 5}));
}

TEST(ManualMesh, PublishesOneSubmeshWithItsOwnBuffers)
{
    const std::string name = HeadlessOgre::uniqueName("ManualMesh");
    ManualMesh m = beginManualMesh(name, 4);
    EXPECT_THROW(beginManualMesh(name, 4), Ogre::Exception);  // names are not shared

    std::unique_ptr<float[]> normals(computeVertexNormals(squareVertices, 4, squareFaces, 2));
    fillManualMesh(m, squareVertices, normals.get(), 4, squareFaces, 2);
    finishManualMesh(m, Ogre::Vector3(0, 2, 0), Ogre::Vector3(1, 2, 1));

    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().getByName(name);
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh, m.mesh);
    EXPECT_TRUE(mesh->isLoaded());
    ASSERT_EQ(mesh->getNumSubMeshes(), 1u);
    Ogre::SubMesh* sub = mesh->getSubMesh(0);
    EXPECT_EQ(sub, m.subMesh);
    EXPECT_FALSE(sub->useSharedVertices);
    EXPECT_EQ(sub->vertexData->vertexStart, 0u);
    EXPECT_EQ(sub->vertexData->vertexCount, 4u);

    const Ogre::VertexDeclaration* declaration = sub->vertexData->vertexDeclaration;
    ASSERT_EQ(declaration->getElementCount(), 2u);
    EXPECT_EQ(declaration->getElement(0)->getSemantic(), Ogre::VES_POSITION);
    EXPECT_EQ(declaration->getElement(0)->getSource(), 0u);
    EXPECT_EQ(declaration->getElement(1)->getSemantic(), Ogre::VES_NORMAL);
    EXPECT_EQ(declaration->getElement(1)->getSource(), 1u);
    EXPECT_EQ(m.positionBuffer->getUsage(), Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY);
    EXPECT_FALSE(m.positionBuffer->hasShadowBuffer());
    EXPECT_FALSE(m.normalBuffer->hasShadowBuffer());

    std::vector<float> positions(12), readNormals(12);
    m.positionBuffer->readData(0, 12 * sizeof(float), positions.data());
    m.normalBuffer->readData(0, 12 * sizeof(float), readNormals.data());
    EXPECT_EQ(positions, std::vector<float>(squareVertices, squareVertices + 12));
    EXPECT_EQ(readNormals, std::vector<float>(normals.get(), normals.get() + 12));

    ASSERT_EQ(sub->indexData->indexBuffer, m.indexBuffer);
    EXPECT_EQ(m.indexBuffer->getType(), Ogre::HardwareIndexBuffer::IT_16BIT);
    EXPECT_EQ(sub->indexData->indexStart, 0u);
    EXPECT_EQ(sub->indexData->indexCount, 6u);
    std::vector<std::uint16_t> indices(6);
    m.indexBuffer->readData(0, 6 * sizeof(std::uint16_t), indices.data());
    EXPECT_EQ(indices, std::vector<std::uint16_t>(squareFaces, squareFaces + 6));

    EXPECT_TRUE(mesh->getBounds().contains(Ogre::AxisAlignedBox(0, 2, 0, 1, 2, 1)));
}

}  // namespace
