// The water programs' media, read back the way the programs read them: the sky
// box materials and their faces, the two water configurations.
#include <Ogre.h>

#include <gtest/gtest.h>

#include <fstream>

#include "HeadlessOgre.h"
#include "LogCapture.h"
#include "WaterLayer.h"
#include "assets/HydraxGrid.h"
#include "platform/hydrax/Module/ProjectedGrid.h"
#include "platform/hydrax/Noise/Perlin.h"

namespace {

void provideWaterMedia()
{
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    if (groups.resourceGroupExists("WaterMedia")) return;
    groups.addResourceLocation(MARROWFIELD_SCRIPTS_DIR "/water", "FileSystem", "WaterMedia");
    groups.addResourceLocation(MARROWFIELD_MEDIA_DIR "/water", "FileSystem", "WaterMedia");
    groups.initialiseResourceGroup("WaterMedia");
}

// Each sky box is a cube map whose six faces the texture manager finds by
// their suffixes.
TEST(WaterMedia, SkyBoxesNameSixFacesThatExist)
{
    provideWaterMedia();
    for (const char* name : {"Sky/ClubTropicana", "Sky/EarlyMorning", "Sky/Clouds"}) {
        Ogre::MaterialPtr sky = Ogre::MaterialManager::getSingleton().getByName(name, "WaterMedia");
        ASSERT_TRUE(sky) << name;
        Ogre::Pass* pass = sky->getTechnique(0)->getPass(0);
        EXPECT_FALSE(pass->getLightingEnabled());
        EXPECT_FALSE(pass->getDepthWriteEnabled());
        const Ogre::TextureUnitState* unit = pass->getTextureUnitState(0);
        EXPECT_EQ(unit->getTextureType(), Ogre::TEX_TYPE_CUBE_MAP) << name;
        Ogre::String base, extension;
        Ogre::StringUtil::splitBaseFilename(unit->getTextureName(), base, extension);
        for (const char* suffix : {"_fr", "_bk", "_lf", "_rt", "_up", "_dn"}) {
            const Ogre::String file = base + suffix + "." + extension;
            ASSERT_TRUE(Ogre::ResourceGroupManager::getSingleton().resourceExists("WaterMedia", file)) << file;
            Ogre::Image image;
            std::ifstream in(MARROWFIELD_MEDIA_DIR "/water/" + file, std::ios::binary);
            Ogre::DataStreamPtr stream(new Ogre::FileStreamDataStream(&in, false));
            image.load(stream, "png");
            EXPECT_EQ(image.getWidth(), 512u) << file;
            EXPECT_EQ(image.getHeight(), 512u) << file;
        }
    }
}

// "WaterTest2.hdx" read by the lake's grid keeps the lake's options.
TEST(WaterMedia, LakeConfigurationKeepsTheLakeGrid)
{
    provideWaterMedia();
    physics::water::WaterSimulator water(nullptr, 50.0f, 10.0f, 65);
    testsupport::WaterLayer layer;
    HydraxGrid* grid = new HydraxGrid(Hydrax::MaterialManager::NM_VERTEX, layer.hydrax.get(),
                                      new Hydrax::Noise::Perlin(),
                                      HydraxGrid::Options(65, Hydrax::Size(50, 50), 32.5f, false, true, 0.065f), &water);
    layer.hydrax->setModule(grid, true);
    testsupport::LogCapture log;
    ASSERT_TRUE(layer.hydrax->loadCfg("WaterTest2.hdx"));
    const HydraxGrid::Options& o = grid->mOptions;
    EXPECT_EQ(o.Complexity, 65);
    EXPECT_EQ(o.MeshSize, Hydrax::Size(50, 50));
    EXPECT_EQ(o.Strength, 32.5f);
    EXPECT_FALSE(o.Smooth);
    EXPECT_TRUE(o.ChoppyWaves);
    EXPECT_EQ(o.ChoppyStrength, 0.065f);
    EXPECT_EQ(log.countStartingWith("[Hydrax] HydraxGrid"), 0) << "nothing disagreed";
}

// "HydraxDemo.hdx" keeps the options the demo's scene gives its sea.
TEST(WaterMedia, OceanConfigurationKeepsTheDemoSea)
{
    provideWaterMedia();
    testsupport::WaterLayer layer;
    using Hydrax::Module::ProjectedGrid;
    ProjectedGrid* sea = new ProjectedGrid(layer.hydrax.get(), new Hydrax::Noise::Perlin(),
                                           Ogre::Plane(Ogre::Vector3(0, 1, 0), Ogre::Vector3(0, 0, 0)),
                                           Hydrax::MaterialManager::NM_VERTEX,
                                           ProjectedGrid::Options(264, 35.0f, 50.0f, false, false, true, 3.75f));
    layer.hydrax->setModule(sea, true);
    ASSERT_TRUE(layer.hydrax->loadCfg("HydraxDemo.hdx"));
    const ProjectedGrid::Options& o = sea->getOptions();
    EXPECT_EQ(o.Complexity, 264);
    EXPECT_EQ(o.WaveLength, 35.0f);
    EXPECT_EQ(o.ChoppyStrength, 50.0f);
    EXPECT_FALSE(o.Smooth);
    EXPECT_FALSE(o.Freeze);
    EXPECT_TRUE(o.ChoppyWaves);
    EXPECT_EQ(o.Height, 3.75f);
}

}  // namespace
