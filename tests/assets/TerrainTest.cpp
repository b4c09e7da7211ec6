#include "assets/Terrain.h"

#include <OgreManualObject.h>
#include <OgreMeshManager.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "HeadlessOgre.h"
#include "TerrainScene.h"
#include "assets/ManualMesh.h"

namespace {

using testsupport::newTerrainSceneManager;
using testsupport::TerrainFolder;

// A terrain scene manager with a flat 50 x 50 world at 6.5 and a tilted plane
// h = 1 + 0.06 x + 0.04 z over 50 x 50 (grey 3 c + 2 r in 51 x 51 samples).
class TerrainTest : public ::testing::Test {
protected:
    TerrainTest() : sm(newTerrainSceneManager())
    {
        files.writeTerrain("flat", 50, 50, 0, 6.5f, 5, 5, [](std::uint32_t, std::uint32_t) { return 255; });
        files.writeTerrain("tilted", 50, 50, 1, 1 + 255 * 0.02f, 51, 51,
                           [](std::uint32_t c, std::uint32_t r) { return int(3 * c + 2 * r); });
        files.writeTerrain("small", 20, 20, 0, 1, 2, 2, [](std::uint32_t, std::uint32_t) { return 255; });
        files.publish();
    }
    ~TerrainTest() override
    {
        Ogre::Root::getSingleton().destroySceneManager(sm);
        // Each test starts without a mesh "Bunny".
        Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
        for (const char* name : {"Bunny", "Bunny/Terrain", "Bunny/Terrain2"})
            if (Ogre::MeshPtr mesh = meshes.getByName(name)) meshes.remove(mesh);
    }

    // Runs create and returns what it printed.
    static std::string createQuietly(Terrain& terrain)
    {
        testing::internal::CaptureStdout();
        terrain.create();
        return testing::internal::GetCapturedStdout();
    }

    TerrainFolder files;
    platform::TerrainSceneManager* sm;
};

TEST_F(TerrainTest, AFlatWorldGivesOneHeightAndUpwardNormals)
{
    sm->setWorldGeometry("flat.cfg");
    sm->getSceneNode("Terrain")->setPosition(-25, 0, -25);  // as the programs do
    Terrain terrain(sm, 50, 65, 13);
    EXPECT_EQ(createQuietly(terrain), "");

    for (std::uint32_t n = 0; n < 65 * 65; ++n) ASSERT_EQ(terrain.mHeights[n], 6.5f) << n;
    ASSERT_EQ(terrain.mNumVertices, 169u);
    ASSERT_EQ(terrain.mNumFaces, 288u);
    for (std::uint32_t v = 0; v < 169; ++v) {
        EXPECT_EQ(terrain.mVertices[3 * v + 1], 6.5f) << v;
        EXPECT_EQ(terrain.mNormals[3 * v + 0], 0.0f) << v;
        EXPECT_EQ(terrain.mNormals[3 * v + 1], 1.0f) << v;
        EXPECT_EQ(terrain.mNormals[3 * v + 2], 0.0f) << v;
    }
    EXPECT_EQ(std::vector<float>(terrain.mVertices, terrain.mVertices + 3), (std::vector<float>{-25, 6.5f, -25}));
    EXPECT_EQ(std::vector<float>(terrain.mVertices + 3 * 168, terrain.mVertices + 3 * 169),
              (std::vector<float>{25, 6.5f, 25}));
    // Vertex 1 lies 50 / 12 along x.
    EXPECT_FLOAT_EQ(terrain.mVertices[3], -25 + 50.0f / 12);
    EXPECT_EQ(terrain.mVertices[5], -25.0f);
    // The first two triangles, and every index inside.
    EXPECT_EQ(std::vector<unsigned short>(terrain.mFaces, terrain.mFaces + 6),
              (std::vector<unsigned short>{0, 13, 1, 13, 14, 1}));
    for (std::uint32_t n = 0; n < 3 * 288; ++n) ASSERT_LT(terrain.mFaces[n], 169u);
}

TEST_F(TerrainTest, PublishesTheCoarseMeshAsBunny)
{
    sm->setWorldGeometry("flat.cfg");
    Terrain terrain(sm, 50, 65, 7);
    createQuietly(terrain);
    EXPECT_EQ(terrain.mNumVertices, 49u);
    EXPECT_EQ(terrain.mNumFaces, 72u);

    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().getByName("Bunny");
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh, terrain.mMesh);
    EXPECT_TRUE(mesh->isLoaded());
    ASSERT_EQ(mesh->getNumSubMeshes(), 1u);
    EXPECT_EQ(mesh->getSubMesh(0), terrain.mSubMesh);
    EXPECT_FALSE(terrain.mSubMesh->useSharedVertices);
    EXPECT_EQ(terrain.mSubMesh->vertexData->vertexCount, 49u);
    EXPECT_EQ(terrain.mSubMesh->indexData->indexCount, 3u * 72u);
    EXPECT_EQ(terrain.mSubMesh->indexData->indexBuffer, terrain.mIndexBuffer);
    Ogre::VertexBufferBinding* binding = terrain.mSubMesh->vertexData->vertexBufferBinding;
    EXPECT_EQ(binding->getBuffer(0), terrain.mPositionBuffer);
    EXPECT_EQ(binding->getBuffer(1), terrain.mNormalBuffer);
    // The bounds hold every vertex (padded).
    const Ogre::AxisAlignedBox& box = mesh->getBounds();
    EXPECT_TRUE(box.contains(Ogre::Vector3(-25, 6.5f, -25)));
    EXPECT_TRUE(box.contains(Ogre::Vector3(25, 6.5f, 25)));
}

TEST_F(TerrainTest, ATiltedPlaneGivesExactHeightsAndItsNormalOnRaysOfTheirOwn)
{
    sm->setWorldGeometry("tilted.cfg");
    const auto plane = [](double x, double z) { return 1 + 0.06 * x + 0.04 * z; };
    Terrain terrain(sm, 50, 65, 13);
    EXPECT_EQ(createQuietly(terrain), "");
    for (std::uint32_t j = 0; j < 65; ++j) {
        for (std::uint32_t i = 0; i < 65; ++i) {
            const float x = float(i) / 64.0f * 50, z = float(j) / 64.0f * 50;
            ASSERT_NEAR(terrain.mHeights[i + 65 * j], plane(x, z), 1e-4) << i << " " << j;
        }
    }
    // The mesh vertices are probed where they lie, not read from the samples:
    // 50 / 12 apart against 50 / 64.
    const Ogre::Vector3 n = Ogre::Vector3(-0.06f, 1, -0.04f).normalisedCopy();
    for (std::uint32_t v = 0; v < 169; ++v) {
        const float* p = terrain.mVertices + 3 * v;
        ASSERT_NEAR(p[1], plane(p[0] + 25, p[2] + 25), 1e-4) << v;
        EXPECT_TRUE(Ogre::Vector3(terrain.mNormals + 3 * v).positionEquals(n, 1e-5f)) << v;
    }
}

TEST_F(TerrainTest, MovingTheTerrainNodeChangesNoSample)
{
    sm->setWorldGeometry("tilted.cfg");
    Terrain before(sm, 50, 17, 5);
    createQuietly(before);
    sm->getSceneNode("Terrain")->setPosition(-25, 0, -25);
    sm->getRootSceneNode()->_update(true, false);
    Terrain after(sm, 50, 17, 5);
    createQuietly(after);
    EXPECT_EQ(std::vector<float>(before.mHeights, before.mHeights + 17 * 17),
              std::vector<float>(after.mHeights, after.mHeights + 17 * 17));
    EXPECT_EQ(std::vector<float>(before.mVertices, before.mVertices + 75),
              std::vector<float>(after.mVertices, after.mVertices + 75));
}

TEST_F(TerrainTest, MissesPrintOneLineEachAndGiveHeightZero)
{
    // A 20 x 20 terrain sampled over 50 x 50: samples beyond 20 miss.
    sm->setWorldGeometry("small.cfg");
    Terrain terrain(sm, 50, 6, 2);  // samples at 0, 10, ..., 50; vertices at 0 and 50
    const std::string out = createQuietly(terrain);
    int misses = 0;
    for (std::uint32_t j = 0; j < 6; ++j) {
        for (std::uint32_t i = 0; i < 6; ++i) {
            const bool inside = i <= 2 && j <= 2;
            EXPECT_EQ(terrain.mHeights[i + 6 * j], inside ? 1.0f : 0.0f) << i << " " << j;
            misses += !inside;
        }
    }
    misses += 3;  // three of the four mesh corners
    std::string expected;
    for (int m = 0; m < misses; ++m) expected += "err: no intersection\n";
    EXPECT_EQ(out, expected);
    EXPECT_EQ(terrain.mVertices[1], 1.0f);
    EXPECT_EQ(terrain.mVertices[4], 0.0f);
}

TEST_F(TerrainTest, AMovableFirstOnTheRayIsAMissEvenWithTheTerrainBehindIt)
{
    sm->setWorldGeometry("flat.cfg");
    // A sheet of default query flags over the whole square, under the terrain.
    Ogre::ManualObject* sheet = sm->createManualObject("sheet");
    sheet->begin("BaseWhite");
    sheet->position(-1, -900, -1);
    sheet->position(51, -900, -1);
    sheet->position(-1, -900, 51);
    sheet->triangle(0, 2, 1);
    sheet->end();
    sm->getRootSceneNode()->attachObject(sheet);
    sm->getRootSceneNode()->_update(true, false);

    Terrain terrain(sm, 50, 3, 2);
    const std::string out = createQuietly(terrain);
    for (int n = 0; n < 9; ++n) EXPECT_EQ(terrain.mHeights[n], 0.0f);
    std::string expected;
    for (int m = 0; m < 9 + 4; ++m) expected += "err: no intersection\n";
    EXPECT_EQ(out, expected);
}

// pondshow and floatshell make the OFF model's "Bunny" first: it stays the
// mesh of that name, and the terrain's coarse mesh takes another.
TEST_F(TerrainTest, AnEarlierBunnyKeepsItsNameAndTheTerrainsMeshTakesAnother)
{
    ManualMesh model = beginManualMesh("Bunny", 3);
    const float v[] = {0, 0, 0, 1, 0, 0, 0, 0, 1};
    const std::uint16_t f[] = {0, 2, 1};
    std::unique_ptr<float[]> n(computeVertexNormals(v, 3, f, 1));
    fillManualMesh(model, v, n.get(), 3, f, 1);
    finishManualMesh(model, Ogre::Vector3(0, 0, 0), Ogre::Vector3(1, 0, 1));

    sm->setWorldGeometry("flat.cfg");
    struct Listener : Ogre::LogListener {
        void messageLogged(const Ogre::String& message, Ogre::LogMessageLevel, bool, const Ogre::String&,
                           bool&) override
        {
            if (message.find("\"Bunny/Terrain\"") != Ogre::String::npos) ++lines;
        }
        int lines = 0;
    } listener;
    Ogre::LogManager::getSingleton().getDefaultLog()->addListener(&listener);
    Terrain terrain(sm, 50, 5, 13);
    createQuietly(terrain);
    Ogre::LogManager::getSingleton().getDefaultLog()->removeListener(&listener);
    EXPECT_EQ(listener.lines, 1);  // the name taken is in Ogre's log
    Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
    EXPECT_EQ(meshes.getByName("Bunny"), model.mesh);
    EXPECT_EQ(meshes.getByName("Bunny")->getSubMesh(0)->vertexData->vertexCount, 3u);
    EXPECT_EQ(terrain.mMesh->getName(), "Bunny/Terrain");
    EXPECT_EQ(meshes.getByName("Bunny/Terrain"), terrain.mMesh);

    Terrain second(sm, 50, 5, 7);
    createQuietly(second);
    EXPECT_EQ(second.mMesh->getName(), "Bunny/Terrain2");
}

// A square of no size puts every vertex in one place: no triangle has an area,
// and the normals stay zero instead of 0 / 0.
TEST_F(TerrainTest, ASquareOfNoSizeKeepsZeroNormals)
{
    sm->setWorldGeometry("flat.cfg");
    Terrain terrain(sm, 0, 2, 3);
    createQuietly(terrain);
    for (std::uint32_t n = 0; n < 3 * 9; ++n) EXPECT_EQ(terrain.mNormals[n], 0.0f) << n;
}

TEST(Terrain, RefusesSampleCountsOutsideTheLimits)
{
    Ogre::SceneManager* sm = testsupport::HeadlessOgre::sceneManager();
    for (const auto& counts : {std::pair<unsigned, unsigned>{1, 13}, {0, 13}, {65, 1}, {65, 257}, {100000, 13},
                               {4098, 13}, {65, 0x10000}})
        EXPECT_THROW(Terrain(sm, 50, counts.first, counts.second), Ogre::Exception)
            << counts.first << " " << counts.second;
    const Terrain smallest(sm, 50, 2, 2);
    EXPECT_EQ(smallest.mNumSamplesX, 2u);
    const Terrain largest(sm, 50, 2, 256);
    EXPECT_EQ(largest.mMeshSamplesZ, 256u);
    EXPECT_EQ(largest.mNumVertices, 0u);
    EXPECT_EQ(largest.mVertices, nullptr);
}

}  // namespace
