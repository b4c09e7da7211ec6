// The water grid module: what it hands the water layer's mesh of the shallow
// water, its options and its configuration keys.
#include "assets/HydraxGrid.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "HeadlessOgre.h"
#include "LogCapture.h"
#include "WaterLayer.h"
#include "platform/hydrax/Noise/Perlin.h"

namespace {

using physics::water::WaterSimulator;
const HydraxGrid::Options LAKE(65, Hydrax::Size(50, 50), 32.5f, false, true, 0.065f);

// The water programs' road up to create: the layer, the module on the water
// (set with setModule, true), create.
struct Grid {
    explicit Grid(WaterSimulator* water, const HydraxGrid::Options& options = LAKE, bool create = true)
    {
        module = new HydraxGrid(Hydrax::MaterialManager::NM_VERTEX, layer.hydrax.get(), new Hydrax::Noise::Perlin(),
                                options, water);
        layer.hydrax->setModule(module, true);
        if (create) layer.hydrax->create();
    }
    const float* vertex(int i, int j) const { return module->mVertices + 6 * (i * module->mOptions.Complexity + j); }
    testsupport::WaterLayer layer;
    HydraxGrid* module;
};

// Every cell wet, the surface as given, its lowest point at 0.
void setSurface(WaterSimulator& water, float (*surface)(int, int))
{
    for (int z = 0; z < water.mNz; ++z)
        for (int x = 0; x < water.mNx; ++x) {
            water.mSurface(x, z) = surface(x, z);
            water.mWet(x, z) = 1;
        }
    water.mMinSurface = 0.0f;
}

// Vertex (i, j) reads cell (i, j) of the water, at i + j n: a surface of
// x + 100 z tells the two apart.
TEST(HydraxGrid, VertexReadsTheWaterCellOfItsIndices)
{
    WaterSimulator water(nullptr, 50.0f, 10.0f, 65);
    Grid grid(&water);
    setSurface(water, [](int x, int z) { return float(x + 100 * z); });
    grid.layer.hydrax->update(0.02f);
    for (int i : {0, 1, 7, 64})
        for (int j : {0, 3, 64}) EXPECT_EQ(grid.vertex(i, j)[1], float(i + 100 * j)) << i << ", " << j;
}

TEST(HydraxGrid, LaysTheLakeGridOutCentred)
{
    WaterSimulator water(nullptr, 50.0f, 10.0f, 65);
    Grid grid(&water);
    const struct {
        int k;
        float x, z;
    } corners[] = {{0, -25, -25}, {64, -25, 25}, {4160, 25, -25}, {4224, 25, 25}};
    for (const auto& c : corners) {
        const float* v = grid.module->mVertices + 6 * c.k;
        EXPECT_EQ(v[0], c.x) << c.k;
        EXPECT_EQ(v[2], c.z) << c.k;
        EXPECT_EQ(Ogre::Vector3(v + 3), Ogre::Vector3(0, -1, 0)) << c.k;
    }
    EXPECT_EQ(grid.vertex(1, 2)[0], float(1.0 / 64 * 50 - 25));
    EXPECT_EQ(grid.vertex(1, 2)[2], float(2.0 / 64 * 50 - 25));
}

// Water at rest: every vertex at 0, the interior normals the cross product of
// the neighbours' differences, 4 (50 / 64)^2 long and pointing down; the
// border keeps (0, -1, 0). A dry cell lies half a unit below its ground.
TEST(HydraxGrid, HeightsAndNormalsOfWaterAtRest)
{
    std::vector<float> ground(65 * 65, 0.0f);
    ground[20 + 30 * 65] = 12.0f;  // above the level of 10: dry
    WaterSimulator water(ground.data(), 50.0f, 10.0f, 65);
    ASSERT_EQ(water.mMinSurface, 10.0f);
    Grid grid(&water);
    grid.layer.hydrax->update(0.02f);
    for (int i = 0; i < 65; ++i)
        for (int j = 0; j < 65; ++j) {
            const float* v = grid.vertex(i, j);
            if (i == 20 && j == 30) {
                EXPECT_EQ(v[1], 12.0f - 10.0f - 0.5f);
                continue;
            }
            ASSERT_EQ(v[1], 0.0f) << i << ", " << j;
            const bool border = i == 0 || j == 0 || i == 64 || j == 64;
            const bool nearDry = std::abs(i - 20) + std::abs(j - 30) == 1;
            if (border) {
                EXPECT_EQ(Ogre::Vector3(v + 3), Ogre::Vector3(0, -1, 0)) << i << ", " << j;
            } else if (!nearDry) {
                EXPECT_EQ(Ogre::Vector3(v + 3), Ogre::Vector3(0, -2.44140625f, 0)) << i << ", " << j;
            }
        }
    // The mesh draws them up and of unit length.
    const std::vector<float> drawn = testsupport::drawnVertices(*grid.layer.hydrax->getMesh());
    EXPECT_EQ(Ogre::Vector3(&drawn[6 * (10 * 65 + 10) + 3]), Ogre::Vector3::UNIT_Y);
}

TEST(HydraxGrid, LogsItsLifeAndFreesItsArray)
{
    WaterSimulator water(nullptr, 50.0f, 10.0f, 65);
    testsupport::LogCapture log;
    {
        Grid grid(&water);
        EXPECT_TRUE(log.contains("[Hydrax] Creating HydraxGridVertex module."));
        EXPECT_TRUE(log.contains("[Hydrax] HydraxGridVertex created."));
        EXPECT_EQ(grid.module->getName(), "HydraxGridVertex");
        grid.layer.hydrax->remove();
        EXPECT_FALSE(grid.module->isCreated());
        EXPECT_EQ(grid.module->mVertices, nullptr);
        grid.layer.hydrax->create();
        EXPECT_NE(grid.module->mVertices, nullptr);
    }
    EXPECT_TRUE(log.contains("[Hydrax] HydraxGridVertex destroyed."));
}

// The same complexity after create: nothing logged, nothing made again.
TEST(HydraxGrid, SameComplexityKeepsTheGrid)
{
    WaterSimulator water(nullptr, 50.0f, 10.0f, 65);
    Grid grid(&water);
    const float* vertices = grid.module->mVertices;
    Ogre::Entity* entity = grid.layer.hydrax->getMesh()->getEntity();
    testsupport::LogCapture log;
    grid.module->setOptions(HydraxGrid::Options(65, Hydrax::Size(50, 50), 20.0f, true, false, 1.0f));
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(grid.module->mVertices, vertices);
    EXPECT_EQ(grid.layer.hydrax->getMesh()->getEntity(), entity);
    EXPECT_EQ(grid.module->mOptions.Strength, 20.0f);
    EXPECT_EQ(grid.layer.hydrax->getStrength(), 20.0f);
    EXPECT_EQ(grid.module->getMeshOptions().MeshStrength, 20.0f);
    EXPECT_EQ(grid.layer.hydrax->getMesh()->getOptions().MeshStrength, 20.0f);
}

// Without water to agree with: a new size lays x and z out again; a new
// complexity makes module and mesh again, with the mesh's material.
TEST(HydraxGrid, NewSizeOrComplexityWithoutWater)
{
    Grid grid(nullptr, HydraxGrid::Options(65, Hydrax::Size(50, 50), 32.5f, false, true, 0.065f));
    grid.module->setOptions(HydraxGrid::Options(65, Hydrax::Size(60, 40), 32.5f, false, true, 0.065f));
    EXPECT_EQ(grid.module->mVertices[6 * 64], -30.0f);
    EXPECT_EQ(grid.module->mVertices[6 * 64 + 2], 20.0f);

    Hydrax::Mesh& mesh = *grid.layer.hydrax->getMesh();
    const std::string material = mesh.getMaterialName();
    testsupport::LogCapture log;
    grid.module->setOptions(HydraxGrid::Options(33, Hydrax::Size(50, 50), 32.5f, false, true, 0.065f));
    EXPECT_TRUE(log.contains("[Hydrax] Creating HydraxGridVertex module."));
    EXPECT_TRUE(log.contains("[Hydrax] HydraxGridVertex created."));
    EXPECT_EQ(mesh.getOptions().MeshComplexity, 33);
    EXPECT_TRUE(mesh.isCreated());
    EXPECT_EQ(mesh.getMaterialName(), material);
    EXPECT_EQ(mesh.getEntity()->getSubEntity(0)->getMaterialName(), material);
    EXPECT_EQ(grid.module->mVertices[6 * (33 * 33 - 1)], 25.0f);
    // Nothing to draw from: the grid says so once and reads nothing.
    grid.layer.hydrax->update(0.02f);
    grid.layer.hydrax->update(0.02f);
    EXPECT_EQ(log.countStartingWith("[Hydrax] HydraxGridVertex: no water"), 1);

    log.lines.clear();
    for (int bad : {1, 0, -5, 100000}) {
        grid.module->setOptions(HydraxGrid::Options(bad, Hydrax::Size(50, 50), 32.5f, false, true, 0.065f));
        EXPECT_EQ(grid.module->mOptions.Complexity, 33) << bad;
    }
    EXPECT_EQ(log.countStartingWith("[Hydrax] HydraxGridVertex: a complexity of "), 4);
}

TEST(HydraxGrid, SavesItsOptions)
{
    WaterSimulator water(nullptr, 50.0f, 10.0f, 65);
    Grid grid(&water);
    Ogre::String text;
    grid.module->saveCfg(text);
    EXPECT_EQ(text, "PN_Octaves=6\nPN_Falloff=0.5\nPN_Speed=1\n"
                    "SG_Complexity=65\nSG_MeshSize=50x50\nSG_Strength=32.5\nSG_Smooth=false\n"
                    "SG_ChoppyWaves=true\nSG_ChoppyStrength=0.065\n\n");
}

// Saving and loading agree on complexity, size and strength; the smooth and
// choppy values are read from the "PG_" keys, and absent take the readers'
// missing values.
TEST(HydraxGrid, LoadsWhatItSavesAndThePGKeys)
{
    WaterSimulator water(nullptr, 50.0f, 10.0f, 65);
    Grid grid(&water, HydraxGrid::Options(65, Hydrax::Size(50, 50), 12.0f, true, true, 0.5f), false);
    Ogre::String text;
    grid.module->saveCfg(text);
    Ogre::ConfigFile saved;
    testsupport::loadConfig(saved, text);
    ASSERT_TRUE(grid.module->loadCfg(saved));
    const HydraxGrid::Options& o = grid.module->mOptions;
    EXPECT_EQ(o.Complexity, 65);
    EXPECT_EQ(o.MeshSize, Hydrax::Size(50, 50));
    EXPECT_EQ(o.Strength, 12.0f);
    EXPECT_FALSE(o.Smooth);
    EXPECT_FALSE(o.ChoppyWaves);
    EXPECT_EQ(o.ChoppyStrength, 0.0f);

    Ogre::ConfigFile keys;
    testsupport::loadConfig(keys, "PG_ChoopyStrength=0.065\nPG_ChoppyWaves=true\nPG_Smooth=true\nSG_Strength=32.5\n"
                                  "SG_Complexity=65\nSG_MeshSize=50x50\n");
    ASSERT_TRUE(grid.module->loadCfg(keys));
    EXPECT_EQ(o.ChoppyStrength, 0.065f);
    EXPECT_TRUE(o.ChoppyWaves);
    EXPECT_TRUE(o.Smooth);
    EXPECT_EQ(o.Strength, 32.5f);
    // Configured before create, as the programs do: only stored.
    EXPECT_FALSE(grid.module->isCreated());
    EXPECT_EQ(grid.module->mVertices, nullptr);
}

// One file serves grids of other sizes: what disagrees with the water the grid
// draws is logged and the water's own is kept, and update stays in the arrays.
TEST(HydraxGrid, KeepsTheGridOfItsWater)
{
    const struct {
        int n;
        float size;
        const char* file;
    } cases[] = {{65, 50.0f, "SG_Complexity=129\nSG_MeshSize=100x100\n"},
                 {129, 100.0f, "SG_Complexity=65\nSG_MeshSize=50x50\n"},
                 {65, 50.0f, "SG_Strength=1\n"}};
    for (const auto& c : cases) {
        WaterSimulator water(nullptr, c.size, 10.0f, c.n);
        const int side = int(c.size);
        Grid grid(&water, HydraxGrid::Options(c.n, Hydrax::Size(side, side), 32.5f, false, true, 0.065f), false);
        Ogre::ConfigFile config;
        testsupport::loadConfig(config, c.file);
        testsupport::LogCapture log;
        ASSERT_TRUE(grid.module->loadCfg(config));
        EXPECT_EQ(grid.module->mOptions.Complexity, c.n) << c.file;
        EXPECT_EQ(grid.module->mOptions.MeshSize, Hydrax::Size(side, side)) << c.file;
        EXPECT_EQ(log.countStartingWith("[Hydrax] HydraxGridVertex: a complexity of "), 1) << c.file;
        EXPECT_EQ(log.countStartingWith("[Hydrax] HydraxGridVertex: a mesh size of "), 1) << c.file;
        grid.layer.hydrax->create();
        EXPECT_EQ(grid.layer.hydrax->getMesh()->getOptions().MeshComplexity, c.n);
        grid.layer.hydrax->update(0.02f);
        EXPECT_EQ(grid.vertex(c.n - 1, c.n - 1)[0], c.size * 0.5f);
    }
}

// The surface's own height at a world position, bilinear between cells.
TEST(HydraxGrid, HeightAtAWorldPosition)
{
    WaterSimulator water(nullptr, 50.0f, 10.0f, 65);
    Grid grid(&water);
    setSurface(water, [](int x, int z) { return float(x + 100 * z); });
    grid.layer.hydrax->setPosition(Ogre::Vector3(0, 0, 0));
    EXPECT_EQ(grid.module->getHeigth(Ogre::Vector2(-25, -25)), 0.0f);
    const float step = 50.0f / 64;
    EXPECT_NEAR(grid.module->getHeigth(Ogre::Vector2(-25 + 10.25f * step, -25 + 20 * step)), 2010.25f, 1e-2f);
}

}  // namespace
