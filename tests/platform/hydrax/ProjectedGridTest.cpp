// The island demo's sea: a grid over the camera's view of the plane, reaching
// the horizon, displaced by the noise.
#include "platform/hydrax/Module/ProjectedGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "HeadlessOgre.h"
#include "LogCapture.h"
#include "WaterLayer.h"
#include "frame/PlayerCamera.h"
#include "platform/hydrax/Noise/Perlin.h"
#include "programs/seaview/SeaScene.h"

namespace {

using Hydrax::Module::ProjectedGrid;

const ProjectedGrid::Options DEMO(264, 35.0f, 50.0f, false, false, true, 3.75f);
const float REACH = 0.9f * FAR_CLIP_DISTANCE;

// The demo's camera: its pose and clip distances, a window of 800 x 600.
void demoCamera(Ogre::Camera* camera)
{
    camera->setNearClipDistance(5);
    seaview::placeCamera(camera);
}

struct Sea {
    explicit Sea(const ProjectedGrid::Options& options = DEMO,
                 Hydrax::MaterialManager::NormalMode mode = Hydrax::MaterialManager::NM_VERTEX,
                 Hydrax::Noise::Noise* noise = new Hydrax::Noise::Perlin())
    {
        demoCamera(layer.camera);
        grid = new ProjectedGrid(layer.hydrax.get(), noise, Ogre::Plane(Ogre::Vector3(0, 1, 0), Ogre::Vector3(0, 0, 0)),
                                 mode, options);
        layer.hydrax->setModule(grid, true);
        layer.hydrax->create();
        layer.hydrax->update(1.0f / 60);
    }
    Ogre::Vector3 position(std::size_t k) const { return Ogre::Vector3(&grid->getVertices()[6 * k]); }
    Ogre::Vector3 normal(std::size_t k) const { return Ogre::Vector3(&grid->getVertices()[6 * k + 3]); }
    testsupport::WaterLayer layer;
    ProjectedGrid* grid;
};

// Every column ends at the reach, on the horizon; its near end lies just
// beyond the bottom of the view; the grid spans the view's width.
TEST(ProjectedGrid, ReachesTheHorizonFromTheDemoCamera)
{
    Sea sea;
    const int n = 264;
    ASSERT_EQ(sea.grid->getVertices().size(), 6u * n * n);
    EXPECT_EQ(sea.layer.hydrax->getMesh()->getIndexBuffer()->getType(), Ogre::HardwareIndexBuffer::IT_32BIT);
    Ogre::Camera* camera = sea.layer.camera;
    const Ogre::Vector3 foot = camera->getDerivedPosition() * Ogre::Vector3(1, 0, 1);
    const Ogre::Matrix4 view = camera->getProjectionMatrix() * camera->getViewMatrix();
    float left = 0, right = 0, bottom = 0;
    for (int i = 0; i < n; ++i) {
        const Ogre::Vector3 last = sea.position(std::size_t(i) * n + n - 1);
        EXPECT_NEAR((last - foot).length(), REACH, 1.0f) << "column " << i;
        const Ogre::Vector3 first = sea.position(std::size_t(i) * n);
        EXPECT_LT((first - foot).length(), 500.0f) << "column " << i;
        const Ogre::Vector3 onScreen = view * first;
        left = std::fmin(left, onScreen.x);
        right = std::fmax(right, onScreen.x);
        bottom = std::fmin(bottom, onScreen.y);
    }
    EXPECT_LE(left, -1.0f);
    EXPECT_GE(right, 1.0f);
    EXPECT_LE(bottom, -1.0f);
}

// Crests of a few units, within the height; normals handed into the water.
TEST(ProjectedGrid, CrestsAFewUnitsHigh)
{
    Sea sea;
    float lowest = 0, highest = 0;
    for (std::size_t k = 0; k < 264u * 264u; ++k) {
        const Ogre::Vector3 p = sea.position(k);
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << k;
        lowest = std::fmin(lowest, p.y);
        highest = std::fmax(highest, p.y);
        EXPECT_LE(sea.normal(k).y, 0.0f) << k;
    }
    EXPECT_GE(lowest, -3.75f);
    EXPECT_LE(highest, 3.75f);
    EXPECT_GT(highest, 1.5f);
    EXPECT_LT(lowest, -1.5f);
    // The mesh draws them out of the water.
    const std::vector<float> drawn = testsupport::drawnVertices(*sea.layer.hydrax->getMesh());
    for (std::size_t k = 0; k < 264u * 264u; k += 97) EXPECT_GT(drawn[6 * k + 4], 0.0f) << k;
}

TEST(ProjectedGrid, WavesMoveTheSameWayEveryRunUnlessFrozen)
{
    Sea a, b, frozen(ProjectedGrid::Options(64, 35.0f, 50.0f, false, true, true, 3.75f));
    const std::vector<float> before = a.grid->getVertices(), frozenBefore = frozen.grid->getVertices();
    for (int frame = 0; frame < 30; ++frame) {
        a.layer.hydrax->update(1.0f / 60);
        b.layer.hydrax->update(1.0f / 60);
        frozen.layer.hydrax->update(1.0f / 60);
    }
    EXPECT_EQ(a.grid->getVertices(), b.grid->getVertices());
    EXPECT_NE(a.grid->getVertices(), before);
    EXPECT_EQ(frozen.grid->getVertices(), frozenBefore);
}

// Where the grid is fine enough to show the noise whole, a vertex lies at the
// height the module reports for its place (the noise's axes are x and z).
TEST(ProjectedGrid, VerticesLieAtTheReportedHeight)
{
    Sea sea(ProjectedGrid::Options(128, 35.0f, 50.0f, false, false, false, 3.75f),
            Hydrax::MaterialManager::NM_VERTEX, new Hydrax::Noise::Perlin(Hydrax::Noise::Perlin::Options(1, 0.5f, 1)));
    // Near the camera (within 550 units the grid is less than a fifth of the
    // noise's features apart).
    const Ogre::Vector3 foot = sea.layer.camera->getDerivedPosition() * Ogre::Vector3(1, 0, 1);
    int compared = 0;
    for (std::size_t k = 0; k < 128u * 128u; ++k) {
        const Ogre::Vector3 p = sea.position(k);
        if ((p * Ogre::Vector3(1, 0, 1)).distance(foot) > 550) continue;
        EXPECT_NEAR(p.y, sea.grid->getHeigth(Ogre::Vector2(p.x, p.z)), 1e-4f) << k;
        ++compared;
    }
    EXPECT_GT(compared, 500);
}

// Cameras that see no plane, stand on it or below it, or look straight down:
// the grid stays finite and the mesh keeps drawing.
TEST(ProjectedGrid, AnyCameraPose)
{
    Sea sea(ProjectedGrid::Options(32, 35.0f, 50.0f, true, false, true, 3.75f));
    Ogre::Camera* camera = sea.layer.camera;
    const struct {
        Ogre::Vector3 position, direction;
    } poses[] = {{{0, 200, 0}, {0, 1, 0}},    {{0, 200, 0}, {0, -1, 0}}, {{0, 0, 0}, {0, 0, -1}},
                 {{0, -50, 0}, {0.3f, 1, 0}}, {{0, 5, 0}, {1, -0.01f, 0}}};
    for (const auto& pose : poses) {
        camera->setPosition(pose.position);
        camera->setDirection(pose.direction);
        sea.layer.hydrax->update(0.1f);
        for (float v : sea.grid->getVertices()) ASSERT_TRUE(std::isfinite(v));
    }
}

TEST(ProjectedGrid, Configuration)
{
    Sea sea(ProjectedGrid::Options(16, 35.0f, 50.0f, false, false, true, 3.75f));
    Ogre::String text;
    sea.grid->saveCfg(text);
    EXPECT_EQ(text, "PN_Octaves=6\nPN_Falloff=0.5\nPN_Speed=1\n"
                    "PG_Complexity=16\nPG_WaveLength=35\nPG_ChoppyStrength=50\nPG_Smooth=false\n"
                    "PG_Freeze=false\nPG_ChoppyWaves=true\nPG_Height=3.75\n\n");

    Ogre::ConfigFile config;
    testsupport::loadConfig(config, "PG_Complexity=24\nPG_Height=2\nPG_Smooth=true\n");
    ASSERT_TRUE(sea.grid->loadCfg(config));
    EXPECT_EQ(sea.grid->getOptions().Complexity, 24);
    EXPECT_EQ(sea.grid->getOptions().Height, 2.0f);
    EXPECT_TRUE(sea.grid->getOptions().Smooth);
    EXPECT_EQ(sea.grid->getOptions().WaveLength, 35.0f) << "absent: kept";
    // A new complexity builds the mesh again.
    EXPECT_EQ(sea.layer.hydrax->getMesh()->getOptions().MeshComplexity, 24);
    sea.layer.hydrax->update(0.1f);
    EXPECT_EQ(sea.grid->getVertices().size(), 6u * 24 * 24);

    testsupport::LogCapture log;
    Ogre::ConfigFile bad;
    testsupport::loadConfig(bad, "PG_WaveLength=0\n");
    EXPECT_FALSE(sea.grid->loadCfg(bad));
    EXPECT_FALSE(sea.grid->setOptions(ProjectedGrid::Options(1, 35.0f, 50.0f, false, false, true, 3.75f)));
    EXPECT_FALSE(sea.grid->setOptions(ProjectedGrid::Options(24, 35.0f, -1.0f, false, false, true, 3.75f)));
    EXPECT_EQ(log.countStartingWith("[Hydrax] ProjectedGridVertex options refused"), 3);
    EXPECT_EQ(sea.grid->getOptions().WaveLength, 35.0f);
}

// Normals from a normal map: positions only, the noise's maps registered (a
// noise without them says so).
TEST(ProjectedGrid, NormalMapMode)
{
    Sea rtt(ProjectedGrid::Options(16, 35.0f, 50.0f, false, false, true, 3.75f), Hydrax::MaterialManager::NM_RTT);
    EXPECT_EQ(rtt.grid->getName(), "ProjectedGridRtt");
    EXPECT_EQ(rtt.layer.hydrax->getMesh()->getOptions().MeshVertexType, Hydrax::Mesh::VT_POSITION);
    EXPECT_EQ(rtt.grid->getVertices().size(), 3u * 16 * 16);
    EXPECT_TRUE(rtt.layer.hydrax->getGPUNormalMapManager()->isCreated());
    EXPECT_EQ(rtt.layer.hydrax->getGPUNormalMapManager()->getNoiseName(), "Perlin");
    const std::vector<float> drawn = testsupport::drawnVertices(*rtt.layer.hydrax->getMesh());
    for (std::size_t k = 0; k < 16u * 16u; ++k) EXPECT_GT(drawn[6 * k + 4], 0.0f) << k;

    struct Plain : Hydrax::Noise::Noise {
        Plain() : Noise("Plain", false) {}
        void update(const Ogre::Real&) override {}
        float getValue(const float&, const float&) override { return 0.0f; }
    };
    testsupport::LogCapture log;
    Sea plain(ProjectedGrid::Options(16, 35.0f, 50.0f, false, false, true, 3.75f), Hydrax::MaterialManager::NM_RTT,
              new Plain());
    EXPECT_TRUE(log.contains("[Hydrax] Plain doesn't support GPU Normal map generation."));
}

}  // namespace
