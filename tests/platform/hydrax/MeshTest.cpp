// The water's mesh: what it draws of the arrays the modules hand it.
#include "platform/hydrax/Mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "HeadlessOgre.h"
#include "LogCapture.h"
#include "WaterLayer.h"

namespace {

using Hydrax::Mesh;
using testsupport::drawnIndices;
using testsupport::drawnVertices;

// A grid laid out as the water grid lays it out: vertex k = i n + j at x index
// i and z index j over size x size, centred, with a height and a normal.
std::vector<float> gridArray(int n, float size, float (*height)(int, int), Ogre::Vector3 normal)
{
    std::vector<float> v(6 * std::size_t(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            float* p = &v[6 * (std::size_t(i) * n + j)];
            p[0] = float(double(i) / (n - 1) * size - size * 0.5);
            p[1] = height(i, j);
            p[2] = float(double(j) / (n - 1) * size - size * 0.5);
            p[3] = normal.x;
            p[4] = normal.y;
            p[5] = normal.z;
        }
    return v;
}

float flat(int, int) { return 0.0f; }
float slope(int i, int j) { return 0.25f * i - 0.5f * j; }

struct MeshTest : ::testing::Test {
    Mesh& create(int n, float size, int vertexType = Mesh::VT_POSITION_NORMAL)
    {
        Mesh& mesh = *layer.hydrax->getMesh();
        mesh.setOptions(Mesh::Options(n, Hydrax::Size(int(size), int(size)), 1.0f, vertexType));
        mesh.create();
        return mesh;
    }
    testsupport::WaterLayer layer;
};

// The water grid hands normals into the water, of any length: the mesh draws
// them out of it, of unit length, and its positions as handed.
TEST_F(MeshTest, DrawsTheNormalsFlippedAndOfUnitLength)
{
    Mesh& mesh = create(5, 8);
    std::vector<float> in = gridArray(5, 8, slope, Ogre::Vector3(0.5f, -2.0f, 1.0f));
    in[3] = in[4] = in[5] = 0.0f;  // a vertex whose neighbours cancel out
    ASSERT_TRUE(mesh.updateGeometry(25, in.data()));
    const std::vector<float> out = drawnVertices(mesh);
    ASSERT_EQ(out.size(), in.size());
    const Ogre::Vector3 expected = Ogre::Vector3(-0.5f, 2.0f, -1.0f).normalisedCopy();
    for (std::size_t k = 0; k < 25; ++k) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(out[6 * k + c], in[6 * k + c]) << "vertex " << k;
        const Ogre::Vector3 normal(&out[6 * k + 3]);
        EXPECT_NEAR(normal.length(), 1.0f, 1e-6f);
        if (k == 0)
            EXPECT_EQ(normal, Ogre::Vector3::UNIT_Y);
        else
            EXPECT_TRUE(normal.positionEquals(expected, 1e-6f)) << "vertex " << k;
    }
}

// Seen from above, every triangle turns counter-clockwise: it faces +y.
TEST_F(MeshTest, TrianglesFaceUp)
{
    Mesh& mesh = create(6, 10);
    const std::vector<float> in = gridArray(6, 10, slope, Ogre::Vector3::NEGATIVE_UNIT_Y);
    ASSERT_TRUE(mesh.updateGeometry(36, in.data()));
    const std::vector<std::uint32_t> indices = drawnIndices(mesh);
    ASSERT_EQ(indices.size(), 6u * 5 * 5);
    for (std::size_t t = 0; t < indices.size(); t += 3) {
        const Ogre::Vector3 a(&in[6 * indices[t]]), b(&in[6 * indices[t + 1]]), c(&in[6 * indices[t + 2]]);
        EXPECT_GT((b - a).crossProduct(c - a).y, 0.0f) << "triangle " << t / 3;
    }
}

// Only an array of complexity squared vertices is drawn, and only by a mesh
// that exists; what was drawn before stays.
TEST_F(MeshTest, RefusesOtherCounts)
{
    Mesh& mesh = *layer.hydrax->getMesh();
    mesh.setOptions(Mesh::Options(4, Hydrax::Size(6, 6), 1.0f, Mesh::VT_POSITION_NORMAL));
    std::vector<float> in = gridArray(4, 6, slope, Ogre::Vector3::NEGATIVE_UNIT_Y);
    EXPECT_FALSE(mesh.updateGeometry(16, in.data())) << "not created";
    mesh.create();
    ASSERT_TRUE(mesh.updateGeometry(16, in.data()));
    const std::vector<float> before = drawnVertices(mesh);
    std::vector<float> longer(6 * 17, 7.0f);
    for (int count : {15, 17, 0, -16}) EXPECT_FALSE(mesh.updateGeometry(count, longer.data())) << count;
    EXPECT_FALSE(mesh.updateGeometry(16, nullptr));
    EXPECT_EQ(drawnVertices(mesh), before);
}

// 16-bit indices reach vertex 65,535: 256 x 256 vertices take them, 257 x 257
// need 32 bits. Either way the last cell's triangles name the last vertex.
TEST_F(MeshTest, IndexWidthFollowsTheVertexCount)
{
    const struct {
        int n;
        Ogre::HardwareIndexBuffer::IndexType type;
    } cases[] = {{2, Ogre::HardwareIndexBuffer::IT_16BIT},
                 {256, Ogre::HardwareIndexBuffer::IT_16BIT},
                 {257, Ogre::HardwareIndexBuffer::IT_32BIT}};
    for (const auto& c : cases) {
        Mesh& mesh = create(c.n, 100);
        EXPECT_EQ(mesh.getIndexBuffer()->getType(), c.type) << c.n;
        const std::vector<std::uint32_t> indices = drawnIndices(mesh);
        ASSERT_EQ(indices.size(), 6u * (c.n - 1) * (c.n - 1));
        EXPECT_EQ(*std::max_element(indices.begin(), indices.end()), std::uint32_t(c.n * c.n - 1)) << c.n;
        mesh.remove();
    }
}

TEST_F(MeshTest, BoundsFollowTheHeights)
{
    Mesh& mesh = create(5, 8);
    const std::vector<float> in = gridArray(5, 8, slope, Ogre::Vector3::NEGATIVE_UNIT_Y);
    ASSERT_TRUE(mesh.updateGeometry(25, in.data()));
    const Ogre::AxisAlignedBox& box = mesh.getMesh()->getBounds();
    EXPECT_EQ(box.getMinimum(), Ogre::Vector3(-4, -2, -4));
    EXPECT_EQ(box.getMaximum(), Ogre::Vector3(4, 1, 4));
    // A vertex that is no number is left out of the bounds, not spread over them.
    std::vector<float> broken = in;
    broken[6 * 7 + 1] = std::nanf("");
    ASSERT_TRUE(mesh.updateGeometry(25, broken.data()));
    EXPECT_EQ(mesh.getMesh()->getBounds().getMaximum(), Ogre::Vector3(4, 1, 4));
}

// Positions only: the mesh gives the grid its own normals, up where it is flat.
TEST_F(MeshTest, DerivesNormalsOfPositionOnlyGrids)
{
    Mesh& mesh = create(4, 6, Mesh::VT_POSITION);
    const std::vector<float> full = gridArray(4, 6, flat, Ogre::Vector3::ZERO);
    std::vector<float> positions;
    for (std::size_t k = 0; k < 16; ++k) positions.insert(positions.end(), &full[6 * k], &full[6 * k + 3]);
    ASSERT_TRUE(mesh.updateGeometry(16, positions.data()));
    const std::vector<float> out = drawnVertices(mesh);
    for (std::size_t k = 0; k < 16; ++k) EXPECT_EQ(Ogre::Vector3(&out[6 * k + 3]), Ogre::Vector3::UNIT_Y) << k;
}

// The grid coordinates of a world position, from the drawn corners and the
// water's position.
TEST_F(MeshTest, GridPositionOfAWorldPosition)
{
    Mesh& mesh = create(65, 50);
    EXPECT_EQ(mesh.getGridPosition(Ogre::Vector2(-25, -25)), Ogre::Vector2(0, 0));
    EXPECT_EQ(mesh.getGridPosition(Ogre::Vector2(25, 0)), Ogre::Vector2(64, 32));
    layer.hydrax->setPosition(Ogre::Vector3(10, 3, -5));
    EXPECT_EQ(mesh.getGridPosition(Ogre::Vector2(-15, -30)), Ogre::Vector2(0, 0));
    EXPECT_EQ(mesh.getGridPosition(Ogre::Vector2(-15 + 50.0f / 64 * 2.5f, -30)), Ogre::Vector2(2.5f, 0));
}

TEST_F(MeshTest, RefusesOptionsItCannotDraw)
{
    Mesh& mesh = *layer.hydrax->getMesh();
    const Mesh::Options good(33, Hydrax::Size(10, 10), 1.0f, Mesh::VT_POSITION_NORMAL);
    mesh.setOptions(good);
    testsupport::LogCapture log;
    for (const Mesh::Options& bad : {Mesh::Options(1, Hydrax::Size(10, 10), 1.0f, Mesh::VT_POSITION_NORMAL),
                                     Mesh::Options(Mesh::MAX_COMPLEXITY + 1, Hydrax::Size(10, 10), 1.0f, 1),
                                     Mesh::Options(33, Hydrax::Size(10, 10), 1.0f, 2)}) {
        mesh.setOptions(bad);
        EXPECT_EQ(mesh.getOptions().MeshComplexity, 33);
        EXPECT_EQ(mesh.getOptions().MeshVertexType, Mesh::VT_POSITION_NORMAL);
    }
    EXPECT_EQ(log.countStartingWith("[Hydrax] A mesh of "), 3);
}

// Vertex colours: the water's diffuse colour, and as alpha the sky's share,
// the material's strength straight below the camera, more at grazing views.
TEST_F(MeshTest, ReflectsMoreOfTheSkyAtGrazingViews)
{
    Mesh& mesh = create(65, 1000);
    layer.camera->setPosition(Ogre::Vector3(-500, 10, 0));
    const std::vector<float> in = gridArray(65, 1000, flat, Ogre::Vector3::NEGATIVE_UNIT_Y);
    ASSERT_TRUE(mesh.updateGeometry(65 * 65, in.data()));
    std::vector<Ogre::uint8> colours(4 * 65 * 65);
    mesh.getColourBuffer()->readData(0, colours.size(), colours.data());
    const Hydrax::MaterialManager::Options& look = layer.hydrax->getMaterialManager()->getOptions();
    auto alpha = [&](int i, int j) { return colours[4 * (i * 65 + j) + 3] / 255.0f; };
    EXPECT_NEAR(alpha(0, 32), look.SkyReflectionStrength, 1.0f / 255);  // straight below
    float previous = 0;
    for (int i = 0; i < 65; i += 8) {
        EXPECT_GT(alpha(i, 32), previous - 1e-6f) << i;
        previous = alpha(i, 32);
    }
    EXPECT_GT(alpha(64, 32), 0.9f);  // a thousand units away, ten below
    EXPECT_EQ(colours[4 * 100 + 1], Ogre::uint8(std::lround(0.5 * look.WaterColor.y * 255)));
}

// The entity shows the material named before or after it was made, lit by
// the layer's sun alone.
TEST_F(MeshTest, EntityTakesTheMaterialAndTheSun)
{
    Mesh& mesh = *layer.hydrax->getMesh();
    mesh.setMaterialName("BaseWhite");
    mesh.setOptions(Mesh::Options(3, Hydrax::Size(2, 2), 1.0f, Mesh::VT_POSITION_NORMAL));
    mesh.create();
    ASSERT_NE(mesh.getEntity(), nullptr);
    EXPECT_EQ(mesh.getEntity()->getSubEntity(0)->getMaterialName(), "BaseWhite");
    EXPECT_FALSE(mesh.getEntity()->getCastShadows());
    const Ogre::LightList& lights = mesh.getEntity()->queryLights();
    ASSERT_EQ(lights.size(), 1u);
    EXPECT_EQ(lights[0], layer.hydrax->getSunLight());
    mesh.setMaterialName("BaseWhiteNoLighting");
    EXPECT_EQ(mesh.getEntity()->getSubEntity(0)->getMaterialName(), "BaseWhiteNoLighting");
    mesh.remove();
    EXPECT_FALSE(mesh.isCreated());
    EXPECT_EQ(mesh.getEntity(), nullptr);
    EXPECT_EQ(mesh.getMaterialName(), "BaseWhiteNoLighting");
}

}  // namespace
