// The water's material and the depth techniques the layer adds to others.
#include "platform/hydrax/MaterialManager.h"

#include <gtest/gtest.h>

#include "HeadlessOgre.h"
#include "LogCapture.h"
#include "WaterLayer.h"

namespace {

using Hydrax::MaterialManager;

struct MaterialManagerTest : ::testing::Test {
    testsupport::WaterLayer layer;
    MaterialManager& materials() { return *layer.hydrax->getMaterialManager(); }
};

TEST_F(MaterialManagerTest, WaterIsLitSemiTransparentAndSeenFromBothSides)
{
    materials().createMaterials();
    ASSERT_TRUE(materials().isCreated());
    Ogre::Pass* pass = materials().getMaterial()->getTechnique(0)->getPass(0);
    EXPECT_TRUE(pass->getLightingEnabled());
    EXPECT_TRUE(pass->isTransparent());
    EXPECT_FALSE(pass->getDepthWriteEnabled());
    EXPECT_TRUE(pass->getDepthCheckEnabled());
    EXPECT_EQ(pass->getCullingMode(), Ogre::CULL_NONE);
    EXPECT_EQ(pass->getManualCullingMode(), Ogre::MANUAL_CULL_NONE);
    const Ogre::ColourValue diffuse = pass->getDiffuse();
    EXPECT_GT(diffuse.g, diffuse.r);
    EXPECT_GT(diffuse.b, diffuse.r);
    EXPECT_EQ(diffuse.a, 0.8f);
    EXPECT_EQ(pass->getSpecular(), Ogre::ColourValue(1, 0.9f, 0.6f, 1));
    // No sky box in the scene: nothing to reflect.
    EXPECT_EQ(pass->getNumTextureUnitStates(), 0u);
    EXPECT_EQ(materials().getSkyReflectionTexture(), "");

    layer.hydrax->setSunColor(Ogre::Vector3(0.45f, 0.45f, 0.45f));
    EXPECT_EQ(pass->getSpecular(), Ogre::ColourValue(0.45f, 0.45f, 0.45f, 1));
}

TEST_F(MaterialManagerTest, OptionsFromTheConfigurationRebuildTheMaterial)
{
    materials().createMaterials();
    Ogre::ConfigFile config;
    testsupport::loadConfig(config, "WaterColor=0.1 0.5 0.3\nWaterAlpha=1.7\nShininess=12\nSkyReflection=false\n");
    materials().loadCfg(config);
    EXPECT_EQ(materials().getOptions().WaterColor, Ogre::Vector3(0.1f, 0.5f, 0.3f));
    EXPECT_EQ(materials().getOptions().WaterAlpha, 1.0f) << "clamped";
    EXPECT_FALSE(materials().getOptions().SkyReflection);
    EXPECT_EQ(materials().getOptions().SkyReflectionStrength, 0.35f) << "absent: kept";
    Ogre::Pass* pass = materials().getMaterial()->getTechnique(0)->getPass(0);
    EXPECT_EQ(pass->getShininess(), 12.0f);
    EXPECT_EQ(pass->getDiffuse().a, 1.0f);
    Ogre::String text;
    materials().saveCfg(text);
    EXPECT_EQ(text, "WaterColor=0.1 0.5 0.3\nWaterAlpha=1\nShininess=12\nSkyReflection=false\n"
                    "SkyReflectionStrength=0.35\n");
}

// The terrain keeps drawing with its first technique: the depth technique
// lives under a scheme of its own, and the first is left as it was.
TEST_F(MaterialManagerTest, DepthTechniqueLeavesTheFirstTechniqueAlone)
{
    Ogre::MaterialPtr terrain = Ogre::MaterialManager::getSingleton().create(
        testsupport::HeadlessOgre::uniqueName("Terrain"), Ogre::RGN_DEFAULT);
    Ogre::Technique* first = terrain->getTechnique(0);
    first->getPass(0)->setDiffuse(0.7f, 0.6f, 0.4f, 1);
    terrain->load();

    materials().addDepthTechnique(terrain->createTechnique(), true);
    ASSERT_EQ(terrain->getNumTechniques(), 2u);
    EXPECT_EQ(terrain->getTechnique(0), first);
    EXPECT_EQ(first->getSchemeName(), Ogre::MaterialManager::DEFAULT_SCHEME_NAME);
    EXPECT_EQ(first->getNumPasses(), 1u);
    EXPECT_EQ(first->getPass(0)->getDiffuse(), Ogre::ColourValue(0.7f, 0.6f, 0.4f, 1));
    Ogre::Technique* depth = terrain->getTechnique(1);
    EXPECT_EQ(depth->getSchemeName(), MaterialManager::DEPTH_SCHEME);
    ASSERT_EQ(depth->getNumPasses(), 1u);
    EXPECT_EQ(depth->getPass(0)->getFogMode(), Ogre::FOG_LINEAR);
    EXPECT_EQ(depth->getPass(0)->getFogColour(), Ogre::ColourValue::White);

    // Following the camera's range.
    layer.camera->setFarClipDistance(1234);
    materials().createMaterials();
    materials().update();
    EXPECT_EQ(depth->getPass(0)->getFogEnd(), 1234);
    // A technique that went with its material is not touched.
    terrain->removeTechnique(1);
    layer.camera->setFarClipDistance(999);
    materials().update();
    Ogre::MaterialManager::getSingleton().remove(terrain);
}

TEST_F(MaterialManagerTest, NoTechniqueIsLoggedAndIgnored)
{
    testsupport::LogCapture log;
    materials().addDepthTechnique(nullptr, true);
    EXPECT_TRUE(log.contains("[Hydrax] A depth technique was asked for without a technique; nothing was added."));
}

}  // namespace
