// The water programs' scenes built without a display from the build's media
// (the generated lake, the bunny model, the water configuration, the sky box):
// their settings, bodies, nodes, water and water layer.
#include <Ogre.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "HeadlessOgre.h"
#include "HeadlessScene.h"
#include "LogCapture.h"
#include "TempDirectory.h"
#include "TerrainScene.h"
#include "WaterScene.h"
#include "assets/HydraxGrid.h"
#include "platform/CrtRandom.h"
#include "platform/hydrax/MaterialManager.h"
#include "programs/pondshow/pondshow.h"
#include "sim/rigidbody/MeshTree.h"

namespace {

using namespace physics;
using namespace physics::rigidbody;
using testsupport::HeadlessOgre;

// The programs' resources in the default group, once per process.
void provideProgramMedia()
{
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    static const bool provided = [&] {
        for (const char* location :
             {MARROWFIELD_MEDIA_DIR "/terrain", MARROWFIELD_SCRIPTS_DIR "/water", MARROWFIELD_MEDIA_DIR "/water",
              MARROWFIELD_MEDIA_DIR "/meshes", MARROWFIELD_SCRIPTS_DIR "/materials"})
            groups.addResourceLocation(location, "FileSystem", Ogre::RGN_DEFAULT);
        groups.initialiseResourceGroup(Ogre::RGN_DEFAULT);
        return true;
    }();
    (void)provided;
}

// The programs name their models from their working directory, four levels
// below the build's media: the test runs as deep below a folder whose
// "media/models" are the build's.
class ModelWorkingDirectory {
public:
    ModelWorkingDirectory() : mFolder("marrowfield-water-programs"), mPrevious(std::filesystem::current_path())
    {
        std::filesystem::create_directories(mFolder.path() / "media");
        std::filesystem::create_directory_symlink(MARROWFIELD_MEDIA_DIR "/models", mFolder.path() / "media/models");
        const std::filesystem::path deep = mFolder.path() / "run/programs/program/bin";
        std::filesystem::create_directories(deep);
        std::filesystem::current_path(deep);
    }
    ~ModelWorkingDirectory() { std::filesystem::current_path(mPrevious); }

private:
    testsupport::TempDirectory mFolder;
    std::filesystem::path mPrevious;
};

// The terrain scene manager's material of the lake has the name the programs
// give when theirs is the process's first scene manager; the test root made
// another one first, so this stands in for it.
void provideTerrainMaterial()
{
    Ogre::MaterialManager& materials = Ogre::MaterialManager::getSingleton();
    if (!materials.resourceExists(WaterShell::TERRAIN_MATERIAL, Ogre::RGN_DEFAULT))
        materials.create(WaterShell::TERRAIN_MATERIAL, Ogre::RGN_DEFAULT);
}

void forgetTerrainMaterial()
{
    Ogre::MaterialManager& materials = Ogre::MaterialManager::getSingleton();
    if (materials.resourceExists(WaterShell::TERRAIN_MATERIAL, Ogre::RGN_DEFAULT))
        materials.remove(WaterShell::TERRAIN_MATERIAL, Ogre::RGN_DEFAULT);
}

template <class Program>
using Headless = testsupport::HeadlessWaterProgram<Program>;

// Builds a program's whole scene on a scene manager of the kind it asks for,
// keeping what it printed and logged.
template <class Program>
class BuiltProgram {
public:
    BuiltProgram()
    {
        provideProgramMedia();
        testsupport::forgetCubeMesh();
        program.reset(new Headless<Program>());
        program->prepare(program->usesTerrainSceneManager() ? testsupport::newTerrainSceneManager()
                                                            : HeadlessOgre::newSceneManager());
    }
    ~BuiltProgram() { testsupport::releaseWaterScene(*program); }

    void build()
    {
        testsupport::LogCapture capture;
        testing::internal::CaptureStdout();
        try {
            program->createScene();
        } catch (...) {
            output = testing::internal::GetCapturedStdout();
            log = capture.lines;
            throw;
        }
        output = testing::internal::GetCapturedStdout();
        log = capture.lines;
    }

    int logCount(const std::string& line) const { return int(std::count(log.begin(), log.end(), line)); }

    ModelWorkingDirectory directory;
    std::unique_ptr<Headless<Program>> program;
    std::string output;
    std::vector<std::string> log;
};

void expectAtRest(const RigidBody* body, const Vector3& position)
{
    for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(body->position[axis], position[axis]) << "axis " << axis;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(body->rotation[r][c], r == c ? 1.0f : 0.0f);
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_EQ(body->linearMomentum[axis], 0.0f);
        EXPECT_EQ(body->angularMomentum[axis], 0.0f);
    }
}

void expectCamera(const WaterShell& program, const Ogre::Vector3& position, const Ogre::Vector3& target)
{
    EXPECT_EQ(program.mCamera->getName(), "PlayerCam");
    EXPECT_EQ(program.mCamera->getPosition(), position);
    EXPECT_TRUE(program.mCamera->getDirection().directionEquals((target - position).normalisedCopy(),
                                                                Ogre::Radian(1e-5f)));
    EXPECT_EQ(program.mCamera->getNearClipDistance(), 0.5f);
    EXPECT_EQ(program.mCamera->getFarClipDistance(), 599994.0f);
}

// The water over the lake, its grid drawn by the layer, and what both logged.
template <class Program>
void expectLakeWater(const BuiltProgram<Program>& built, bool coupled)
{
    const WaterShell& program = *built.program;
    const water::WaterSimulator& water = *program.mWater;
    EXPECT_EQ(water.mNx, 65);
    EXPECT_EQ(water.mSize, 50.0f);
    EXPECT_EQ(water.mLevel, 10.0f);
    for (int k = 0; k < 65 * 65; ++k) ASSERT_EQ(water.mGround.data[k], program.mTerrain->mHeights[k]) << k;
    EXPECT_EQ(water.mRigidBodySimulator, coupled ? program.mSimulator : nullptr);

    const auto* grid = dynamic_cast<const HydraxGrid*>(program.mHydrax->getModule());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->getName(), "HydraxGridVertex");
    EXPECT_EQ(grid->mWaterSimulator, program.mWater);
    EXPECT_EQ(grid->mOptions.Complexity, 65);
    EXPECT_EQ(grid->mOptions.MeshSize, Hydrax::Size(50, 50));
    EXPECT_TRUE(program.mHydrax->isCreated());
    EXPECT_EQ(program.mHydrax->getSunPosition(), Ogre::Vector3(0, 40000, 0));
    EXPECT_EQ(built.logCount("[Hydrax] Creating HydraxGridVertex module."), 1);
    EXPECT_EQ(built.logCount("[Hydrax] HydraxGridVertex created."), 1);

    // The terrain's material draws as before, with the layer's depth technique beside.
    Ogre::MaterialPtr terrain = Ogre::MaterialManager::getSingleton().getByName(WaterShell::TERRAIN_MATERIAL);
    ASSERT_EQ(terrain->getNumTechniques(), 2u);
    EXPECT_EQ(terrain->getTechnique(1)->getSchemeName(), Hydrax::MaterialManager::DEPTH_SCHEME);
}

void expectLight0(Ogre::SceneManager* scene)
{
    ASSERT_TRUE(scene->hasLight("Light0"));
    Ogre::Light* light = scene->getLight("Light0");
    EXPECT_EQ(light->getType(), Ogre::Light::LT_POINT);
    EXPECT_EQ(light->getPosition(), Ogre::Vector3(0, 40000, 0));
    EXPECT_EQ(light->getDiffuseColour(), Ogre::ColourValue(1, 1, 1));
    EXPECT_EQ(light->getSpecularColour(), Ogre::ColourValue(1, 0.9f, 0.6f));
}

void expectSkyAndAmbient(Ogre::SceneManager* scene)
{
    EXPECT_EQ(scene->getAmbientLight(), Ogre::ColourValue(0.1f, 0.1f, 0.1f, 0.1f));
    EXPECT_TRUE(scene->isSkyBoxEnabled());
}

void expectNode(Ogre::SceneNode* node, const std::string& nodeName, const std::string& entityName,
                const std::string& meshName)
{
    ASSERT_NE(node, nullptr);
    if (!nodeName.empty()) {
        EXPECT_EQ(node->getName(), nodeName);
    }
    ASSERT_EQ(node->numAttachedObjects(), 1u);
    const auto* entity = static_cast<const Ogre::Entity*>(node->getAttachedObject(0));
    EXPECT_EQ(entity->getName(), entityName);
    EXPECT_EQ(entity->getMesh()->getName(), meshName);
}

class WaterPrograms : public ::testing::Test {
protected:
    WaterPrograms() { provideTerrainMaterial(); }
    ~WaterPrograms() override { forgetTerrainMaterial(); }
};

// The bodies of the lake: terrain, bunny and 40 spheres at their places.
TEST_F(WaterPrograms, PondshowBodies)
{
    BuiltProgram<pondshow::Test> built;
    built.build();
    auto& program = *built.program;
    RigidBodySimulator& simulator = *program.mSimulator;
    ASSERT_EQ(simulator.getNumBodies(), 42u);
    EXPECT_TRUE(simulator.mPendingBodies.empty());

    const auto* terrain = static_cast<const TriangleMeshBody*>(simulator.getBody(0));
    ASSERT_EQ(terrain->shapeType, SHAPE_TRIANGLE_MESH);
    EXPECT_EQ(terrain->id, 0);
    EXPECT_EQ(terrain->mass, 4.0f);
    EXPECT_EQ(terrain->inverseMass, 0.0f);
    EXPECT_EQ(terrain->meshTree->triangleCount, 288);
    EXPECT_EQ(terrain->meshTree->vertices, program.mTerrain->mVertices);
    expectAtRest(terrain, {0, 0, 0});

    const auto* bunny = static_cast<const TriangleMeshBody*>(simulator.getBody(1));
    EXPECT_EQ(bunny, program.mBunnyBody);
    ASSERT_EQ(bunny->shapeType, SHAPE_TRIANGLE_MESH);
    EXPECT_EQ(bunny->id, 1);
    EXPECT_EQ(bunny->mass, 0.15f);
    EXPECT_EQ(bunny->inverseMass, float(1.0 / 0.15f));
    EXPECT_EQ(bunny->meshTree->vertices, program.mMesh->mVertices);
    EXPECT_EQ(bunny->meshTree->triangleCount, program.mMesh->mNumFaces);
    expectAtRest(bunny, {0, 12.5f, 0});

    // The spheres are the first 40 places of the draw stream (four draws a
    // place) that leave them apart from the spheres before them: the band lies
    // above the bunny and the ground, so only spheres refuse places.
    platform::crtSrand(27493);
    std::vector<Vector3> places;
    std::vector<float> masses;
    while (places.size() < 40) {
        const int rx = platform::crtRand(), ry = platform::crtRand(), rz = platform::crtRand();
        const float mass = pondshow::sphereMass(platform::crtRand());
        const Vector3 p = pondshow::bandPoint(rx, ry, rz);
        bool free = true;
        for (const Vector3& q : places) {
            const double d = std::sqrt(double(squaredLength(p - q)));
            ASSERT_GT(std::fabs(d - 1.0), 1e-4) << "a place that touches exactly";
            free = free && d > 1.0;
        }
        if (!free) continue;
        places.push_back(p);
        masses.push_back(mass);
    }
    for (unsigned i = 2; i < 42; ++i) {
        SCOPED_TRACE(i);
        const auto* sphere = static_cast<const SphereBody*>(simulator.getBody(i));
        ASSERT_EQ(sphere->shapeType, SHAPE_SPHERE);
        EXPECT_EQ(sphere->id, 0);
        EXPECT_EQ(sphere->radius, 0.5f);
        EXPECT_EQ(sphere->mass, masses[i - 2]);
        EXPECT_GE(sphere->mass, 0.1f);
        EXPECT_LE(sphere->mass, 0.59f);
        expectAtRest(sphere, places[i - 2]);
        EXPECT_GE(sphere->position.x, -25.0f);
        EXPECT_LE(sphere->position.x, 24.99f);
        EXPECT_GE(sphere->position.y, 17.0f);
        EXPECT_LE(sphere->position.y, 22.99f);
    }
    EXPECT_EQ(program.mTerrain->mMesh->getName(), "Bunny/Terrain") << "the OFF bunny keeps the name";
    EXPECT_EQ(built.output.find("err: no intersection"), std::string::npos);
    EXPECT_NE(built.output.find("min: "), std::string::npos);
}

// The scene around the bodies: camera, nodes, water, layer, light and sky.
TEST_F(WaterPrograms, PondshowScene)
{
    BuiltProgram<pondshow::Test> built;
    built.build();
    auto& program = *built.program;
    EXPECT_TRUE(program.usesTerrainSceneManager());
    EXPECT_FALSE(program.statsShownAtStart());
    expectCamera(program, {-30, 25, -30}, {0, 8, 0});

    ASSERT_EQ(program.mNodes.size(), 42u);
    EXPECT_EQ(program.mNodes[0], nullptr);
    EXPECT_EQ(program.mNodes[1], program.mBunnyNode);
    expectNode(program.mBunnyNode, "", "Ninja", "Bunny");
    EXPECT_EQ(program.mBunnyNode->getParentSceneNode(), program.mSceneMgr->getRootSceneNode());
    for (unsigned i = 2; i < 42; ++i) {
        SCOPED_TRACE(i);
        expectNode(program.mNodes[i], "object_parent" + std::to_string(i), "Object" + std::to_string(i),
                   "sphere.mesh");
    }
    EXPECT_TRUE(Ogre::MeshManager::getSingleton().resourceExists("my_cube_mesh"));

    expectLakeWater(built, true);
    ASSERT_EQ(program.mWater->mModifiers.size(), 1u);
    EXPECT_NE(dynamic_cast<pondshow::WaterSource*>(program.mWater->mModifiers[0]), nullptr);
    expectLight0(program.mSceneMgr);
    expectSkyAndAmbient(program.mSceneMgr);

    // A second of frames: the bodies fall, the nodes follow them.
    const float start = program.mSimulator->getBody(2)->position.y;
    testing::internal::CaptureStdout();
    for (int i = 0; i < 60; ++i) {
        Ogre::FrameEvent evt{};
        evt.timeSinceLastFrame = 1.0f / 60.0f;
        program.updateSimulation(evt);
    }
    testing::internal::GetCapturedStdout();
    const Vector3& sphere = program.mSimulator->getBody(2)->position;
    EXPECT_LT(sphere.y, start - 1.0f);
    EXPECT_EQ(program.mNodes[2]->getPosition(), Ogre::Vector3(sphere.x, sphere.y, sphere.z));
}

// Without the terrain scene manager's material, the scene names what it lacks.
TEST_F(WaterPrograms, MissingTerrainMaterialIsNamed)
{
    forgetTerrainMaterial();
    BuiltProgram<pondshow::Test> built;
    try {
        built.build();
        FAIL() << "no exception";
    } catch (const Ogre::Exception& e) {
        EXPECT_NE(e.getDescription().find("\"SceneManagerInstance1/Terrain\""), std::string::npos)
            << e.getDescription();
    }
}

}  // namespace
