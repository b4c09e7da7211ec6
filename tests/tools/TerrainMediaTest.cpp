// The generated terrains, loaded through the terrain scene manager and sampled
// as the programs sample them: what the programs' scenes need of each.
#include <Ogre.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "HeadlessOgre.h"
#include "TerrainScene.h"
#include "assets/Terrain.h"
#include "sim/rigidbody/MeshTree.h"
#include "sim/rigidbody/ODE.h"
#include "sim/rigidbody/RigidBody.h"
#include "sim/rigidbody/Simulator.h"
#include "sim/water/WaterSimulator.h"

namespace {

using physics::Vector3;
using namespace physics::rigidbody;
using RigidBodySimulator = Simulator<physics::ODERungeKutta>;

const char* const GROUP = "TerrainMedia";

// The generated terrain folder and the hand-written materials in a group of
// their own (outside the global pool, so that other tests may parse the same
// scripts), which the scene manager reads as its world group.
platform::TerrainSceneManager* loadTerrain(const std::string& file)
{
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    if (!groups.resourceGroupExists(GROUP)) {
        groups.createResourceGroup(GROUP, false);
        groups.addResourceLocation(MARROWFIELD_MEDIA_DIR "/terrain", "FileSystem", GROUP);
        if (!Ogre::MaterialManager::getSingleton().getByName("Island",
                                                              Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME)) {
            std::ifstream script(MARROWFIELD_SCRIPTS_DIR "/materials/Island.material", std::ios::binary);
            Ogre::DataStreamPtr stream(new Ogre::FileStreamDataStream(&script, false));
            Ogre::MaterialManager::getSingleton().parseScript(stream, GROUP);
        }
        groups.initialiseResourceGroup(GROUP);
    }
    platform::TerrainSceneManager* sm = testsupport::newTerrainSceneManager();
    const std::string world = groups.getWorldResourceGroupName();
    groups.setWorldResourceGroupName(GROUP);
    sm->setWorldGeometry(file);
    groups.setWorldResourceGroupName(world);
    return sm;
}

// The terrain as a program samples it, after moving the node as the program does.
std::unique_ptr<Terrain> sample(Ogre::SceneManager* sm, unsigned numSamples, unsigned meshSamples,
                                const Ogre::Vector3& nodeOffset)
{
    sm->getSceneNode("Terrain")->setPosition(nodeOffset);
    auto terrain = std::make_unique<Terrain>(sm, 50.0f, numSamples, meshSamples);
    testing::internal::CaptureStdout();
    terrain->create();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "rays missed the terrain";
    return terrain;
}

// The static terrain body of the programs, which owns its mesh tree here.
struct GroundBody {
    explicit GroundBody(Terrain& terrain)
    {
        initTriangleMesh(&body, 4.0f, int(terrain.mNumVertices), terrain.mVertices, int(terrain.mNumFaces),
                         terrain.mFaces, false);
        setAtRest(&body, Vector3{0, 0, 0});
    }
    ~GroundBody() { delete body.meshTree; }
    TriangleMeshBody body;
};

SphereBody sphereAt(float mass, float radius, Vector3 position)
{
    SphereBody sphere;
    initSphere(&sphere, mass, radius);
    setAtRest(&sphere, position);
    return sphere;
}

TEST(TerrainMedia, TheLakeHoldsItsWaterBelowTheBandOfDrops)
{
    platform::TerrainSceneManager* sm = loadTerrain("watertest2_terrain.cfg");
    EXPECT_EQ(sm->getHeightField()->sizeX(), 50.0f);
    EXPECT_EQ(sm->getHeightField()->sizeZ(), 50.0f);
    const std::unique_ptr<Terrain> terrain = sample(sm, 65, 13, Ogre::Vector3(-25, 0, -25));
    const float* h = terrain->mHeights;
    float highest = h[0];
    for (int n = 0; n < 65 * 65; ++n) highest = std::max(highest, h[n]);
    EXPECT_LT(highest, 16.5f);  // spheres start at 17 and above, radius 0.5

    // The floor at and around the centre, within 8 units, lies at or below 7.
    for (int j = 0; j < 65; ++j) {
        for (int i = 0; i < 65; ++i) {
            if (std::hypot((i - 32) * 50.0 / 64, (j - 32) * 50.0 / 64) <= 8) {
                EXPECT_LE(h[i + 65 * j], 7.0f) << i << " " << j;
            }
        }
    }

    // The water below level 10, flooded from the centre, reaches no edge.
    std::vector<bool> wet(65 * 65, false);
    std::vector<int> open{32 + 65 * 32};
    int cells = 0;
    while (!open.empty()) {
        const int n = open.back();
        open.pop_back();
        if (wet[n] || h[n] >= 10) continue;
        wet[n] = true;
        ++cells;
        const int i = n % 65, j = n / 65;
        ASSERT_TRUE(i > 0 && i < 64 && j > 0 && j < 64) << "the lake reaches the edge at " << i << ", " << j;
        for (int m : {n - 1, n + 1, n - 65, n + 65}) open.push_back(m);
    }
    EXPECT_GT(cells, 65 * 65 / 5);  // a lake, not a pond
    Ogre::Root::getSingleton().destroySceneManager(sm);
}

// floatball and floatcrate place their body once, at (0, 10.5, 0), on the 13 x 13
// and on the 7 x 7 coarse mesh.
TEST(TerrainMedia, TheCouplingBodiesStartFreeOfBothCoarseMeshes)
{
    platform::TerrainSceneManager* sm = loadTerrain("watertest2_terrain.cfg");
    for (unsigned meshSamples : {13u, 7u}) {
        const std::unique_ptr<Terrain> terrain = sample(sm, 65, meshSamples, Ogre::Vector3(-25, 0, -25));
        GroundBody ground(*terrain);
        RigidBodySimulator simulator;
        simulator.addBody(&ground.body);
        simulator.commitBodies();

        SphereBody ball = sphereAt(0.3f, 0.5f, Vector3{0, 10.5f, 0});
        EXPECT_FALSE(simulator.isColliding(&ball)) << meshSamples;
        BoxBody crate;
        initBox(&crate, 0.6f, 1, 1, 1);
        setAtRest(&crate, Vector3{0, 10.5f, 0});
        EXPECT_FALSE(simulator.isColliding(&crate)) << meshSamples;
        // pondshow's spheres start anywhere in the band from 17 up.
        for (float x : {-25.0f, -12.5f, 0.0f, 12.5f, 24.99f})
            for (float z : {-25.0f, -12.5f, 0.0f, 12.5f, 24.99f}) {
                SphereBody drop = sphereAt(0.3f, 0.5f, Vector3{x, 17.0f, z});
                EXPECT_FALSE(simulator.isColliding(&drop)) << x << " " << z;
            }
    }
    Ogre::Root::getSingleton().destroySceneManager(sm);
}

// Spheres dropped anywhere in the programs' band, over the water coupled with
// them as in pondshow, stay inside the square.
TEST(TerrainMedia, SpheresDroppedInTheBandStayOnTheLakesSquare)
{
    platform::TerrainSceneManager* sm = loadTerrain("watertest2_terrain.cfg");
    const std::unique_ptr<Terrain> terrain = sample(sm, 65, 13, Ogre::Vector3(-25, 0, -25));
    GroundBody ground(*terrain);
    RigidBodySimulator simulator;
    simulator.addBody(&ground.body);
    // The band's corners and edges (x and z from -25 to 24.99) and a grid between.
    const float places[] = {-25.0f, -16.7f, -8.3f, 0.0f, 8.3f, 16.7f, 24.99f};
    std::vector<SphereBody> spheres;
    spheres.reserve(49);
    for (float x : places)
        for (float z : places)
            spheres.push_back(sphereAt(0.3f, 0.5f, Vector3{x, spheres.size() % 2 ? 17.0f : 22.99f, z}));
    for (SphereBody& s : spheres) simulator.addBody(&s);
    simulator.commitBodies();
    physics::water::WaterSimulator water(terrain->mHeights, 50.0f, 10.0f, 65);
    water.mRigidBodySimulator = &simulator;

    const double h = 1.0 / 60;
#ifdef MARROWFIELD_SANITIZED
    const int steps = 600;
#else
    const int steps = 1800;
#endif
    for (int step = 0; step < steps; ++step) {
        simulator.clearForces();
        water.step(0.016666668f);
        simulator.simulate(float(step * h), float((step + 1) * h));
    }
    for (std::size_t n = 0; n < spheres.size(); ++n) {
        const Vector3& p = spheres[n].position;
        const std::string start =
            "dropped at " + std::to_string(places[n / 7]) + ", " + std::to_string(places[n % 7]);
        EXPECT_LE(std::fabs(p.x), 25.0f) << start;
        EXPECT_LE(std::fabs(p.z), 25.0f) << start;
        EXPECT_GT(p.y, 0.0f) << start;
    }
    Ogre::Root::getSingleton().destroySceneManager(sm);
}

// bumphillball: a sphere of radius 0.35 dropped from 15 at the centre lands on a
// slope of the 13 x 13 coarse mesh and stays on it.
TEST(TerrainMedia, TheHillsTakeTheDroppedSphereOnASlopeAndKeepIt)
{
    platform::TerrainSceneManager* sm = loadTerrain("plytest5.cfg");
    EXPECT_EQ(sm->getHeightField()->sizeX(), 50.0f);
    EXPECT_EQ(sm->getHeightField()->sizeZ(), 50.0f);
    const std::unique_ptr<Terrain> terrain = sample(sm, 31, 13, Ogre::Vector3(-5, 0, -5));
    GroundBody ground(*terrain);
    RigidBodySimulator simulator;
    simulator.addBody(&ground.body);
    SphereBody ball = sphereAt(8, 0.35f, Vector3{0, 15, 0});
    EXPECT_FALSE(simulator.isColliding(&ball));
    simulator.addBody(&ball);
    simulator.commitBodies();

    bool landed = false;
    for (int step = 0; step < 20 * 60; ++step) {
        simulator.simulate(float(step / 60.0), float((step + 1) / 60.0));
        if (!landed && simulator.getNumContacts() > 0) {
            landed = true;
            // Exactly under the drop lies a mesh vertex; the faces around it slope.
            float flattest = 0;
            for (unsigned c = 0; c < simulator.getNumContacts(); ++c)
                flattest = std::max(flattest, 1 - std::fabs(simulator.getContact(c)->normal.y));
            EXPECT_GT(flattest, 0.05f) << "landed on flat ground";
        }
        ASSERT_LE(std::fabs(ball.position.x), 25.0f) << "left the mesh at step " << step;
        ASSERT_LE(std::fabs(ball.position.z), 25.0f) << "left the mesh at step " << step;
        ASSERT_GT(ball.position.y, 0.0f) << "fell through at step " << step;
    }
    EXPECT_TRUE(landed);
    EXPECT_GT(std::hypot(ball.position.x, ball.position.z), 1.0f) << "did not roll off the slope";
    Ogre::Root::getSingleton().destroySceneManager(sm);
}

// seaview: the island is drawn with "Island", at least a third of the square
// (500, 500)-(2500, 2500) lies between 20 and 105 as seen by its downward rays,
// and the sea floor along the edges lies below the sea at 0.
TEST(TerrainMedia, TheIslandHasRoomForPalmsAndSeaAllRound)
{
    platform::TerrainSceneManager* sm = loadTerrain("Island.cfg");
    EXPECT_EQ(sm->getHeightField()->sizeX(), 3000.0f);
    auto* tile = static_cast<Ogre::ManualObject*>(sm->getSceneNode("Terrain")->getAttachedObject(0));
    EXPECT_EQ(tile->getSection(0)->getMaterialName(), "Island");

    auto groundBelow = [sm](float x, float z, float& y) {
        Ogre::RaySceneQuery* query =
            sm->createRayQuery(Ogre::Ray(Ogre::Vector3(x, 1000000, z), Ogre::Vector3::NEGATIVE_UNIT_Y));
        const Ogre::RaySceneQueryResult& result = query->execute();
        const bool hit = !result.empty() && result.front().worldFragment;
        if (hit) y = result.front().worldFragment->singleIntersection.y;
        sm->destroyQuery(query);
        return hit;
    };
    int inBand = 0, total = 0;
    for (float z = 500; z <= 2500; z += 20) {
        for (float x = 500; x <= 2500; x += 20) {
            float y;
            ASSERT_TRUE(groundBelow(x, z, y)) << x << " " << z;
            inBand += y >= 20 && y <= 105;
            ++total;
        }
    }
    EXPECT_GE(3 * inBand, total) << inBand << " of " << total;
    for (float t = 0; t <= 3000; t += 30) {
        for (const Ogre::Vector2& edge : {Ogre::Vector2(t, 0), Ogre::Vector2(t, 3000), Ogre::Vector2(0, t),
                                          Ogre::Vector2(3000, t)}) {
            float y;
            ASSERT_TRUE(groundBelow(edge.x, edge.y, y));
            EXPECT_LT(y, 0.0f) << edge.x << " " << edge.y;
        }
    }
    Ogre::Root::getSingleton().destroySceneManager(sm);
}

}  // namespace
