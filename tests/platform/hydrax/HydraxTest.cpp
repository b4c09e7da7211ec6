// The Hydrax object: its road (module, configuration, create, update), its sun
// and its position.
#include "platform/hydrax/Hydrax.h"

#include <gtest/gtest.h>

#include "HeadlessOgre.h"
#include "LogCapture.h"
#include "WaterLayer.h"
#include "platform/CrtRandom.h"
#include "platform/hydrax/Module/ProjectedGrid.h"
#include "platform/hydrax/Noise/Perlin.h"

namespace {

// A module that draws the mesh's own flat grid and counts what is asked of it.
struct CountingModule : Hydrax::Module::Module {
    CountingModule(int* deleted, bool acceptConfiguration = true)
        : Module("Counting", new Hydrax::Noise::Perlin(),
                 Hydrax::Mesh::Options(9, Hydrax::Size(8, 8), 1.0f, Hydrax::Mesh::VT_POSITION_NORMAL),
                 Hydrax::MaterialManager::NM_VERTEX),
          deleted(deleted),
          accept(acceptConfiguration)
    {
    }
    ~CountingModule() override { ++*deleted; }
    void update(const Ogre::Real& dt) override
    {
        Module::update(dt);
        ++updates;
    }
    bool loadCfg(Ogre::ConfigFile& config) override
    {
        ++loads;
        return accept && Module::loadCfg(config);
    }
    int* deleted;
    bool accept;
    int updates = 0, loads = 0;
};

TEST(Hydrax, DefaultSunIsHighAndWarm)
{
    testsupport::WaterLayer layer;
    EXPECT_EQ(layer.hydrax->getSunPosition(), Ogre::Vector3(0, 10000, 0));
    EXPECT_EQ(layer.hydrax->getSunColor(), Ogre::Vector3(1, 0.9f, 0.6f));
    Ogre::Light* sun = layer.hydrax->getSunLight();
    EXPECT_EQ(sun->getType(), Ogre::Light::LT_DIRECTIONAL);
    EXPECT_EQ(sun->getDerivedDirection(), Ogre::Vector3::NEGATIVE_UNIT_Y);
    EXPECT_EQ(sun->getDiffuseColour(), Ogre::ColourValue(1, 0.9f, 0.6f));
}

// The sun shines from its position onto the water's, and lights nothing else.
TEST(Hydrax, SunLightsTheWaterFromItsPosition)
{
    testsupport::WaterLayer layer;
    int deleted = 0;
    layer.hydrax->setModule(new CountingModule(&deleted), true);
    layer.hydrax->create();
    layer.hydrax->setPosition(Ogre::Vector3(0, 10, 0));
    layer.hydrax->setSunPosition(Ogre::Vector3(0, 10, 300));
    layer.hydrax->setSunColor(Ogre::Vector3(1, 0.6f, 0.4f));
    Ogre::Light* sun = layer.hydrax->getSunLight();
    EXPECT_TRUE(sun->getDerivedDirection().positionEquals(Ogre::Vector3::NEGATIVE_UNIT_Z, 1e-6f));
    EXPECT_EQ(sun->getDiffuseColour(), Ogre::ColourValue(1, 0.6f, 0.4f));
    EXPECT_EQ(layer.hydrax->getSceneNode()->getPosition(), Ogre::Vector3(0, 10, 0));
    const Ogre::LightList& lit = layer.hydrax->getMesh()->getEntity()->queryLights();
    ASSERT_EQ(lit.size(), 1u);
    EXPECT_EQ(lit[0], sun);
    EXPECT_FALSE(layer.hydrax->getSceneManager()->hasLight(sun->getName()));
}

TEST(Hydrax, RoadOfAProgram)
{
    testsupport::provideResources({{"Road.hdx", "Shininess=20\nPN_Octaves=3\n"}});
    testsupport::WaterLayer layer;
    Hydrax::Hydrax& hydrax = *layer.hydrax;
    int deleted = 0;
    CountingModule* module = new CountingModule(&deleted);
    hydrax.setModule(module, true);
    EXPECT_TRUE(hydrax.loadCfg("Road.hdx"));
    EXPECT_EQ(module->loads, 1);
    EXPECT_EQ(hydrax.getMaterialManager()->getOptions().Shininess, 20.0f);
    EXPECT_EQ(static_cast<Hydrax::Noise::Perlin*>(module->getNoise())->getOptions().Octaves, 3);

    platform::crtSrand(77);
    const int next = platform::crtRand();
    platform::crtSrand(77);
    hydrax.create();
    EXPECT_TRUE(hydrax.isCreated());
    EXPECT_TRUE(module->isCreated());
    EXPECT_TRUE(hydrax.getMesh()->isCreated());
    EXPECT_EQ(hydrax.getMesh()->getMaterialName(), hydrax.getMaterialManager()->getMaterial()->getName());
    hydrax.setPosition(Ogre::Vector3(0, 10, 0));
    hydrax.setPlanesError(0.5f);
    hydrax.update(0.02f);
    hydrax.update(0.02f);
    EXPECT_EQ(module->updates, 2);
    EXPECT_EQ(platform::crtRand(), next) << "the layer drew from the programs' generator";

    // Another module: the first is removed and deleted, the water rebuilt.
    CountingModule* second = new CountingModule(&deleted);
    hydrax.setModule(second, true);
    EXPECT_EQ(deleted, 1);
    EXPECT_TRUE(second->isCreated());
    EXPECT_TRUE(hydrax.getMesh()->isCreated());
}

TEST(Hydrax, ConfigurationThatCannotBeReadOrTaken)
{
    testsupport::provideResources({{"Refused.hdx", "PN_Octaves=3\n"}});
    testsupport::WaterLayer layer;
    int deleted = 0;
    CountingModule* module = new CountingModule(&deleted, false);
    layer.hydrax->setModule(module, true);
    testsupport::LogCapture log;
    EXPECT_FALSE(layer.hydrax->loadCfg("Missing.hdx"));
    EXPECT_EQ(module->loads, 0);
    EXPECT_TRUE(log.contains("[Hydrax] Configuration file Missing.hdx not found in the resources."));
    EXPECT_FALSE(layer.hydrax->loadCfg("Refused.hdx"));
    EXPECT_TRUE(log.contains("[Hydrax] The module Counting did not take the configuration of Refused.hdx."));
}

TEST(Hydrax, NothingToCreateWithoutAModule)
{
    testsupport::WaterLayer layer;
    testsupport::LogCapture log;
    layer.hydrax->create();
    layer.hydrax->update(0.1f);
    EXPECT_FALSE(layer.hydrax->isCreated());
    EXPECT_TRUE(log.contains("[Hydrax] No module set: there is no water to create."));
    for (const std::string& line : log.lines) EXPECT_EQ(line.compare(0, 9, "[Hydrax] "), 0) << line;
}

}  // namespace
