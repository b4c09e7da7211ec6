#include "platform/terrain/TerrainSceneManager.h"

#include <Ogre.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "Fifo.h"
#include "TerrainScene.h"

namespace {

using testsupport::newTerrainSceneManager;
using testsupport::TerrainFolder;

// The first entry of a ray query, as the programs read it: the world
// fragment's point, or false when the result is empty or starts with a movable.
bool firstFragment(Ogre::SceneManager* sm, const Ogre::Ray& ray, Ogre::Vector3& point,
                   Ogre::uint32 typeMask = 0xFFFFFFFF)
{
    Ogre::RaySceneQuery* query = sm->createRayQuery(ray, 0xFFFFFFFF);
    query->setQueryTypeMask(typeMask);
    const Ogre::RaySceneQueryResult& result = query->execute();
    const bool hit = !result.empty() && result.front().worldFragment;
    if (hit) {
        EXPECT_EQ(result.front().worldFragment->fragmentType, Ogre::SceneQuery::WFT_SINGLE_INTERSECTION);
        point = result.front().worldFragment->singleIntersection;
    }
    sm->destroyQuery(query);
    return hit;
}

bool fromBelow(Ogre::SceneManager* sm, float x, float z, Ogre::Vector3& point)
{
    return firstFragment(sm, Ogre::Ray(Ogre::Vector3(x, -1000, z), Ogre::Vector3::UNIT_Y), point);
}

bool fromAbove(Ogre::SceneManager* sm, float x, float z, Ogre::Vector3& point)
{
    return firstFragment(sm, Ogre::Ray(Ogre::Vector3(x, 1000000, z), Ogre::Vector3::NEGATIVE_UNIT_Y), point);
}

class TerrainSceneManagerTest : public ::testing::Test {
protected:
    TerrainSceneManagerTest() : sm(newTerrainSceneManager())
    {
        // A slope along x over 50 x 40: grey 2 c in 128 columns, heights 2 to
        // 2 + 254 / 255 * 10.
        files.writeTerrain("slope", 50, 40, 2, 12, 128, 65, [](std::uint32_t c, std::uint32_t) { return 2 * c; });
        files.writeTerrain("flat", 20, 20, 0, 6.5f, 3, 3, [](std::uint32_t, std::uint32_t) { return 255; });
        files.writeText("broken.png", "no picture");
        files.writeText("unreadable.cfg",
                        "HeightMap = broken.png\nWorldSizeX = 1\nWorldSizeZ = 1\nMaxHeight = 1\nTexture = flat.png\n");
        files.writeText("nomap.cfg",
                        "HeightMap = none.png\nWorldSizeX = 1\nWorldSizeZ = 1\nMaxHeight = 1\nTexture = flat.png\n");
        files.writeText("notexture.cfg",
                        "HeightMap = flat.png\nWorldSizeX = 1\nWorldSizeZ = 1\nMaxHeight = 1\nTexture = none.png\n");
        files.writeText("nomaterial.cfg", "HeightMap = flat.png\nWorldSizeX = 1\nWorldSizeZ = 1\nMaxHeight = 1\n"
                                          "CustomMaterialName = NoSuchMaterial\n");
        files.writeText("nokey.cfg", "HeightMap = flat.png\nWorldSizeX = 1\nMaxHeight = 1\nTexture = flat.png\n");
        files.writeGreyImage("line.png", 1, 5, [](std::uint32_t, std::uint32_t) { return 0; });
        files.writeText("line.cfg",
                        "HeightMap = line.png\nWorldSizeX = 1\nWorldSizeZ = 1\nMaxHeight = 1\nTexture = flat.png\n");
        files.publish();
    }
    ~TerrainSceneManagerTest() override { Ogre::Root::getSingleton().destroySceneManager(sm); }

    static float slopeHeight(float x) { return float(2 + 10 * (2 * (x / 50.0 * 127) / 255)); }

    // The description of the exception that loading the file throws.
    std::string failure(const std::string& file)
    {
        try {
            sm->setWorldGeometry(file);
        } catch (const Ogre::Exception& e) {
            return e.getDescription();
        }
        return "(no exception)";
    }

    TerrainFolder files;
    platform::TerrainSceneManager* sm;
};

TEST_F(TerrainSceneManagerTest, BuildsTheTerrainUnderTheNodeTerrainWithItsOwnMaterial)
{
    sm->setWorldGeometry("slope.cfg");
    Ogre::SceneNode* node = sm->getSceneNode("Terrain");
    EXPECT_EQ(node->getParent(), sm->getRootSceneNode());
    // 127 x 64 cells in tiles of at most 64 x 64: 65 and 64 columns of vertices.
    ASSERT_EQ(node->numAttachedObjects(), 2u);
    std::size_t vertices = 0;
    const std::string material = sm->getName() + "/Terrain";
    Ogre::AxisAlignedBox box;
    for (Ogre::MovableObject* object : node->getAttachedObjects()) {
        EXPECT_EQ(object->getQueryFlags(), 0u);
        EXPECT_FALSE(object->getCastShadows());
        auto* tile = static_cast<Ogre::ManualObject*>(object);
        ASSERT_EQ(tile->getNumSections(), 1u);
        EXPECT_EQ(tile->getSection(0)->getMaterialName(), material);
        vertices += tile->getSection(0)->getRenderOperation()->vertexData->vertexCount;
        box.merge(tile->getBoundingBox());
    }
    EXPECT_EQ(vertices, (65u + 64u) * 65u);
    EXPECT_TRUE(box.getMinimum().positionEquals(Ogre::Vector3(0, 2, 0), 1e-4f));
    EXPECT_TRUE(box.getMaximum().positionEquals(Ogre::Vector3(50, slopeHeight(50), 40), 1e-4f));

    Ogre::MaterialPtr m = Ogre::MaterialManager::getSingleton().getByName(material);
    ASSERT_TRUE(m);
    Ogre::Pass* pass = m->getTechnique(0)->getPass(0);
    EXPECT_TRUE(pass->getLightingEnabled());
    EXPECT_FALSE(pass->hasVertexProgram());
    ASSERT_EQ(pass->getNumTextureUnitStates(), 1u);
    EXPECT_EQ(pass->getTextureUnitState(0)->getTextureName(), "texture.png");

    // Hiding the node with what hangs below it hides all the terrain.
    node->setVisible(false, true);
    for (Ogre::MovableObject* object : node->getAttachedObjects()) EXPECT_FALSE(object->getVisible());
}

TEST_F(TerrainSceneManagerTest, RaysFromBelowAndAboveMeetTheSurfaceInTheTerrainsCoordinates)
{
    sm->setWorldGeometry("slope.cfg");
    for (float x : {0.0f, 0.3f, 17.9f, 50.0f}) {
        for (float z : {0.0f, 21.1f, 40.0f}) {
            Ogre::Vector3 below, above;
            ASSERT_TRUE(fromBelow(sm, x, z, below)) << x << " " << z;
            ASSERT_TRUE(fromAbove(sm, x, z, above)) << x << " " << z;
            EXPECT_EQ(below, above);
            EXPECT_EQ(below.x, x);
            EXPECT_EQ(below.z, z);
            EXPECT_NEAR(below.y, slopeHeight(x), 1e-5f) << x;
        }
    }
    Ogre::Vector3 p;
    EXPECT_FALSE(fromBelow(sm, 50.001f, 5, p));
    EXPECT_FALSE(fromBelow(sm, 5, -0.001f, p));
    EXPECT_FALSE(fromAbove(sm, -1, 40.5f, p));
    // Without the world geometry in the type mask there is no fragment.
    EXPECT_FALSE(firstFragment(sm, Ogre::Ray(Ogre::Vector3(5, -1000, 5), Ogre::Vector3::UNIT_Y), p,
                               Ogre::SceneManager::ENTITY_TYPE_MASK));

    // Moving the node moves the drawing, not the answers.
    sm->getSceneNode("Terrain")->setPosition(-25, 3, -25);
    sm->getSceneNode("Terrain")->_update(true, false);
    ASSERT_TRUE(fromBelow(sm, 40, 10, p));
    EXPECT_EQ(p, Ogre::Vector3(40, p.y, 10));
    EXPECT_NEAR(p.y, slopeHeight(40), 1e-5f);
    EXPECT_FALSE(fromBelow(sm, -10, 10, p));
}

TEST_F(TerrainSceneManagerTest, MovablesComeBeforeTheTerrainWhenNearerAndOnlyThen)
{
    sm->setWorldGeometry("flat.cfg");
    // A small movable with default query flags, 500 units under the terrain.
    Ogre::ManualObject* box = sm->createManualObject("underground");
    box->begin("BaseWhite");
    box->position(4, -500, 4);
    box->position(6, -500, 4);
    box->position(4, -500, 6);
    box->triangle(0, 2, 1);
    box->end();
    sm->getRootSceneNode()->attachObject(box);
    sm->getRootSceneNode()->_update(true, false);

    Ogre::RaySceneQuery* query = sm->createRayQuery(Ogre::Ray(Ogre::Vector3(5, -1000, 5), Ogre::Vector3::UNIT_Y));
    const Ogre::RaySceneQueryResult& up = query->execute();
    ASSERT_EQ(up.size(), 2u);
    EXPECT_EQ(up[0].movable, box);
    ASSERT_NE(up[1].worldFragment, nullptr);
    EXPECT_FLOAT_EQ(up[1].distance, 1006.5f);
    Ogre::Vector3 p;
    EXPECT_FALSE(fromBelow(sm, 5, 5, p));  // the programs count this as a miss

    query->setRay(Ogre::Ray(Ogre::Vector3(5, 100, 5), Ogre::Vector3::NEGATIVE_UNIT_Y));
    const Ogre::RaySceneQueryResult& down = query->execute();
    ASSERT_EQ(down.size(), 2u);
    ASSERT_NE(down[0].worldFragment, nullptr);
    EXPECT_EQ(down[0].worldFragment->singleIntersection, Ogre::Vector3(5, 6.5f, 5));
    EXPECT_FLOAT_EQ(down[0].distance, 93.5f);
    EXPECT_EQ(down[1].movable, box);
    sm->destroyQuery(query);
}

TEST_F(TerrainSceneManagerTest, ACustomMaterialDrawsTheTerrain)
{
    const std::string name = testsupport::HeadlessOgre::uniqueName("CustomTerrain");
    Ogre::MaterialManager::getSingleton().create(name, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
    TerrainFolder more;
    more.writeText("custom.cfg", "HeightMap = flat.png\nWorldSizeX = 1\nWorldSizeZ = 1\nMaxHeight = 1\n"
                                 "CustomMaterialName = " + name + "\n");
    more.publish();
    sm->setWorldGeometry("custom.cfg");
    auto* tile = static_cast<Ogre::ManualObject*>(sm->getSceneNode("Terrain")->getAttachedObject(0));
    EXPECT_EQ(tile->getSection(0)->getMaterialName(), name);
    EXPECT_FALSE(Ogre::MaterialManager::getSingleton().resourceExists(sm->getName() + "/Terrain"));
}

TEST_F(TerrainSceneManagerTest, BadFilesAreRefusedByNameAndLeaveTheTerrainAsItWas)
{
    sm->setWorldGeometry("flat.cfg");
    struct Case {
        const char* file;
        std::string expected;
    } cases[] = {
        {"missing.cfg", "terrain configuration \"missing.cfg\" not found"},
        {"nokey.cfg", "\"nokey.cfg\": missing key \"WorldSizeZ\""},
        {"nomap.cfg", "\"nomap.cfg\": key \"HeightMap\": image \"none.png\" not found"},
        {"unreadable.cfg", "\"unreadable.cfg\": key \"HeightMap\": image \"broken.png\" cannot be read"},
        {"line.cfg", "\"line.cfg\": key \"HeightMap\": image \"line.png\" is not a flat image of at least 2 x 2"},
        {"notexture.cfg", "\"notexture.cfg\": key \"Texture\": image \"none.png\" not found"},
        {"nomaterial.cfg", "\"nomaterial.cfg\": key \"CustomMaterialName\": no material \"NoSuchMaterial\""},
    };
    for (const Case& c : cases) {
        const std::string message = failure(c.file);
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
    }
    Ogre::Vector3 p;
    ASSERT_TRUE(fromBelow(sm, 20, 20, p));
    EXPECT_EQ(p.y, 6.5f);
    EXPECT_EQ(sm->getSceneNode("Terrain")->numAttachedObjects(), 1u);
}

std::string bigEndian32(std::uint32_t v)
{
    return {char(v >> 24), char(v >> 16 & 0xFF), char(v >> 8 & 0xFF), char(v & 0xFF)};
}

// A height map's pixels are the terrain's samples: more per side than its users
// sample is refused by its header, before the pixels are decoded.
TEST_F(TerrainSceneManagerTest, HeightMapsLargerThanTheTerrainCanUseAreRefusedFromTheirHeader)
{
    TerrainFolder more;
    const auto zero = [](std::uint32_t, std::uint32_t) { return 0; };
    more.writeTerrain("widest", 10, 10, 0, 1, 4097, 2, zero);
    more.writeTerrain("wide", 10, 10, 0, 1, 4098, 2, zero);
    more.writeTerrain("deep", 10, 10, 0, 1, 2, 4098, zero);
    // A header and nothing else, which no decoder could read: a refusal by its
    // size comes from the header.
    more.writeText("huge.png",
                   std::string("\x89PNG\r\n\x1a\n", 8) + bigEndian32(13) + "IHDR" + bigEndian32(20000) +
                       bigEndian32(20000) + std::string("\x08\0\0\0\0\0\0\0\0", 9));
    more.writeText("huge.cfg", "HeightMap = huge.png\nWorldSizeX = 50\nWorldSizeZ = 50\nMaxHeight = 16\n"
                               "Texture = texture.png\n");
    more.publish();

    sm->setWorldGeometry("widest.cfg");
    EXPECT_EQ(sm->getHeightField()->samplesX(), 4097u);
    const struct {
        const char* file;
        std::string expected;
    } cases[] = {
        {"wide.cfg", "\"wide.cfg\": key \"HeightMap\": image \"wide.png\" of 4098 x 2 pixels is larger than the "
                     "terrain can use (at most 4097 per side)"},
        {"deep.cfg", "image \"deep.png\" of 2 x 4098 pixels is larger than the terrain can use"},
        {"huge.cfg", "\"huge.cfg\": key \"HeightMap\": image \"huge.png\" of 20000 x 20000 pixels is larger"},
    };
    for (const auto& c : cases) {
        const std::string message = failure(c.file);
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
    }
    EXPECT_EQ(sm->getHeightField()->samplesX(), 4097u);
}

// Opening a FIFO would wait for a writer for good: a configuration, height map
// or texture that is one is refused by name, unopened. (Ogre reads the texture
// with the first frame that draws the terrain.)
TEST_F(TerrainSceneManagerTest, WhatIsNoRegularFileIsRefusedUnopened)
{
    sm->setWorldGeometry("flat.cfg");
    TerrainFolder more;
    const testsupport::Fifo config((more.path() / "fifo.cfg").string());
    const testsupport::Fifo map((more.path() / "fifo.png").string());
    const testsupport::Fifo texture((more.path() / "fifo_texture.png").string());
    const std::string sizes = "WorldSizeX = 1\nWorldSizeZ = 1\nMaxHeight = 1\n";
    more.writeText("fifomap.cfg", "HeightMap = fifo.png\nTexture = flat.png\n" + sizes);
    more.writeText("fifotexture.cfg", "HeightMap = flat.png\nTexture = fifo_texture.png\n" + sizes);
    more.publish();
    const struct {
        const char* file;
        const testsupport::Fifo* waitsOn;
        std::string expected;
    } cases[] = {
        {"fifo.cfg", &config, "terrain configuration \"fifo.cfg\" is a FIFO, not a regular file"},
        {"fifomap.cfg", &map, "\"fifomap.cfg\": key \"HeightMap\": image \"fifo.png\" is a FIFO, not a regular file"},
        {"fifotexture.cfg", &texture,
         "\"fifotexture.cfg\": key \"Texture\": image \"fifo_texture.png\" is a FIFO, not a regular file"},
    };
    for (const auto& c : cases) {
        std::string message;
        c.waitsOn->callWithoutWaiting([&] { message = failure(c.file); });
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
    }
    Ogre::Vector3 p;
    ASSERT_TRUE(fromBelow(sm, 0.5f, 0.5f, p));
    EXPECT_EQ(p.y, 6.5f);
}

TEST_F(TerrainSceneManagerTest, ALaterTerrainReplacesTheFirstAndClearingTheSceneRemovesIt)
{
    sm->setWorldGeometry("slope.cfg");
    sm->setWorldGeometry("flat.cfg");
    EXPECT_EQ(sm->getRootSceneNode()->numChildren(), 1u);
    EXPECT_EQ(sm->getSceneNode("Terrain")->numAttachedObjects(), 1u);
    Ogre::Vector3 p;
    ASSERT_TRUE(fromBelow(sm, 20, 20, p));
    EXPECT_EQ(p.y, 6.5f);
    EXPECT_FALSE(fromBelow(sm, 30, 20, p));

    sm->clearScene();
    EXPECT_FALSE(sm->hasSceneNode("Terrain"));
    EXPECT_FALSE(fromBelow(sm, 10, 10, p));
    sm->setWorldGeometry("flat.cfg");
    EXPECT_TRUE(fromBelow(sm, 10, 10, p));
}

// Headless roots may have made scene managers before: the name follows the instance.
TEST(TerrainSceneManager, ItsMaterialIsNamedAfterTheInstance)
{
    TerrainFolder files;
    files.writeTerrain("named", 4, 4, 0, 1, 2, 2, [](std::uint32_t, std::uint32_t) { return 0; });
    files.publish();
    auto* sm = newTerrainSceneManager(Ogre::StringUtil::BLANK);
    EXPECT_EQ(sm->getTypeName(), "TerrainSceneManager");
    sm->setWorldGeometry("named.cfg");
    EXPECT_EQ(sm->getName().rfind("SceneManagerInstance", 0), 0u) << sm->getName();
    EXPECT_TRUE(Ogre::MaterialManager::getSingleton().resourceExists(sm->getName() + "/Terrain"));
    const std::string name = sm->getName();
    Ogre::Root::getSingleton().destroySceneManager(sm);
    EXPECT_FALSE(Ogre::MaterialManager::getSingleton().resourceExists(name + "/Terrain"));
}

}  // namespace
