#include "assets/CubeMesh.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "HeadlessOgre.h"

namespace {

// The mesh name is fixed, so the mesh is made once per test process.
Ogre::MeshPtr cubeMesh()
{
    Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
    if (!meshes.resourceExists("my_cube_mesh")) createCubeMesh();
    return meshes.getByName("my_cube_mesh");
}

std::vector<float> readFloats(Ogre::VertexData* data, unsigned short source, int perVertex)
{
    std::vector<float> values(data->vertexCount * perVertex);
    data->vertexBufferBinding->getBuffer(source)->readData(0, values.size() * sizeof(float), values.data());
    return values;
}

std::vector<std::uint16_t> readIndices(Ogre::IndexData* data)
{
    std::vector<std::uint16_t> indices(data->indexCount);
    data->indexBuffer->readData(0, indices.size() * sizeof(std::uint16_t), indices.data());
    return indices;
}

TEST(CubeMesh, LayoutAndBounds)
{
    Ogre::MeshPtr mesh = cubeMesh();
    ASSERT_TRUE(mesh->isLoaded());
    ASSERT_EQ(mesh->getNumSubMeshes(), 1u);
    Ogre::SubMesh* sub = mesh->getSubMesh(0);
    EXPECT_FALSE(sub->useSharedVertices);
    EXPECT_EQ(sub->vertexData->vertexStart, 0u);
    EXPECT_EQ(sub->vertexData->vertexCount, 24u);
    EXPECT_EQ(sub->indexData->indexStart, 0u);
    EXPECT_EQ(sub->indexData->indexCount, 36u);
    EXPECT_EQ(sub->indexData->indexBuffer->getType(), Ogre::HardwareIndexBuffer::IT_16BIT);

    const struct {
        unsigned short source;
        Ogre::VertexElementType type;
        Ogre::VertexElementSemantic semantic;
    } elements[] = {{0, Ogre::VET_FLOAT3, Ogre::VES_POSITION},
                    {1, Ogre::VET_FLOAT3, Ogre::VES_NORMAL},
                    {2, Ogre::VET_FLOAT2, Ogre::VES_TEXTURE_COORDINATES}};
    const Ogre::VertexDeclaration* declaration = sub->vertexData->vertexDeclaration;
    ASSERT_EQ(declaration->getElementCount(), 3u);
    for (unsigned short i = 0; i < 3; ++i) {
        const Ogre::VertexElement* e = declaration->getElement(i);
        EXPECT_EQ(e->getSource(), elements[i].source);
        EXPECT_EQ(e->getOffset(), 0u);
        EXPECT_EQ(e->getType(), elements[i].type);
        EXPECT_EQ(e->getSemantic(), elements[i].semantic);
    }

    // The box from -1 to 1, padded by Ogre's factor of its size.
    const float pad = 2 * Ogre::MeshManager::getSingleton().getBoundsPaddingFactor();
    EXPECT_EQ(mesh->getBounds().getMinimum(), Ogre::Vector3(-1 - pad));
    EXPECT_EQ(mesh->getBounds().getMaximum(), Ogre::Vector3(1 + pad));
}

// The vertex and index order are fixed: they decide where each face's texture
// starts and which way it runs.
TEST(CubeMesh, VerticesAndIndicesInTheirFixedOrder)
{
    const struct {
        float position[3];
        float normal[3];
    } vertices[24] = {
        {{-1, -1, -1}, {0, 0, -1}}, {{1, -1, -1}, {0, 0, -1}}, {{-1, 1, -1}, {0, 0, -1}}, {{1, 1, -1}, {0, 0, -1}},
        {{1, -1, 1}, {0, 0, 1}},    {{-1, -1, 1}, {0, 0, 1}},  {{1, 1, 1}, {0, 0, 1}},    {{-1, 1, 1}, {0, 0, 1}},
        {{-1, -1, 1}, {-1, 0, 0}},  {{-1, -1, -1}, {-1, 0, 0}}, {{-1, 1, 1}, {-1, 0, 0}}, {{-1, 1, -1}, {-1, 0, 0}},
        {{1, -1, -1}, {1, 0, 0}},   {{1, -1, 1}, {1, 0, 0}},   {{1, 1, -1}, {1, 0, 0}},   {{1, 1, 1}, {1, 0, 0}},
        {{-1, -1, 1}, {0, -1, 0}},  {{1, -1, 1}, {0, -1, 0}},  {{-1, -1, -1}, {0, -1, 0}}, {{1, -1, -1}, {0, -1, 0}},
        {{-1, 1, -1}, {0, 1, 0}},   {{1, 1, -1}, {0, 1, 0}},   {{-1, 1, 1}, {0, 1, 0}},   {{1, 1, 1}, {0, 1, 0}},
    };
    const std::vector<std::uint16_t> expectedIndices = {
        0,  2,  1,  1,  2,  3,  4,  6,  5,  5,  6,  7,  8,  10, 9,  9,  10, 11,
        12, 14, 13, 13, 14, 15, 16, 18, 17, 17, 18, 19, 20, 22, 21, 21, 22, 23,
    };

    Ogre::SubMesh* sub = cubeMesh()->getSubMesh(0);
    const std::vector<float> p = readFloats(sub->vertexData, 0, 3);
    const std::vector<float> n = readFloats(sub->vertexData, 1, 3);
    for (int v = 0; v < 24; ++v) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(p[3 * v + k], vertices[v].position[k]) << "vertex " << v << " axis " << k;
            EXPECT_EQ(n[3 * v + k], vertices[v].normal[k]) << "vertex " << v << " axis " << k;
        }
    }
    EXPECT_EQ(readIndices(sub->indexData), expectedIndices);
}

// Every triangle winds counter-clockwise seen from outside: its face normal is
// the normal of its three vertices, which all lie on that face.
TEST(CubeMesh, WindingAgreesWithTheNormals)
{
    Ogre::SubMesh* sub = cubeMesh()->getSubMesh(0);
    const std::vector<float> p = readFloats(sub->vertexData, 0, 3);
    const std::vector<float> n = readFloats(sub->vertexData, 1, 3);
    const std::vector<std::uint16_t> indices = readIndices(sub->indexData);
    ASSERT_EQ(indices.size(), 36u);
    auto position = [&](int v) { return Ogre::Vector3(&p[3 * v]); };
    auto normal = [&](int v) { return Ogre::Vector3(&n[3 * v]); };
    for (int t = 0; t < 12; ++t) {
        const int a = indices[3 * t], b = indices[3 * t + 1], c = indices[3 * t + 2];
        ASSERT_LT(std::max({a, b, c}), 24);
        EXPECT_EQ(normal(a), normal(b));
        EXPECT_EQ(normal(a), normal(c));
        const Ogre::Vector3 face = (position(b) - position(a)).crossProduct(position(c) - position(a));
        EXPECT_EQ(face.normalisedCopy(), normal(a)) << "triangle " << t;
        for (int v : {a, b, c}) EXPECT_EQ(position(v).dotProduct(normal(a)), 1.0f) << "vertex " << v;
    }
}

// Each face shows the whole texture once: (0, 0) at its first vertex, (1, 1) at its fourth.
TEST(CubeMesh, EveryFaceShowsTheWholeTexture)
{
    Ogre::SubMesh* sub = cubeMesh()->getSubMesh(0);
    const std::vector<float> uv = readFloats(sub->vertexData, 2, 2);
    const float corners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (int v = 0; v < 24; ++v) {
        EXPECT_EQ(uv[2 * v], corners[v % 4][0]) << "vertex " << v;
        EXPECT_EQ(uv[2 * v + 1], corners[v % 4][1]) << "vertex " << v;
    }
}

}  // namespace
