// The water programs' scenes built without a display from the build's media
// (the generated lake, the bunny model, the water configuration, the sky box):
// their settings, bodies, nodes, water and water layer.
#include <Ogre.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <deque>
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
#include "platform/hydrax/Noise/Perlin.h"
#include "programs/floatball/floatball.h"
#include "programs/floatcrate/floatcrate.h"
#include "programs/floatshell/floatshell.h"
#include "programs/pondshow/pondshow.h"
#include "programs/ripplebasic/ripplebasic.h"
#include "programs/ripplehill/ripplehill.h"
#include "sim/rigidbody/MeshTree.h"
#include "ScriptedDraws.h"

namespace {

using namespace physics;
using namespace physics::rigidbody;
using testsupport::HeadlessOgre;

const char* const LAKE_TERRAIN_FOLDER = MARROWFIELD_MEDIA_DIR "/terrain";
bool programMediaProvided = false;

// The programs' resources in the default group, once per process.
void provideProgramMedia()
{
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    static const bool provided = [&] {
        programMediaProvided = true;
        for (const char* location :
             {LAKE_TERRAIN_FOLDER, MARROWFIELD_SCRIPTS_DIR "/water", MARROWFIELD_MEDIA_DIR "/water",
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
    explicit BuiltProgram(bool withMedia = true)
    {
        if (withMedia) provideProgramMedia();
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

// The water, its grid drawn by the layer, and what both logged: over the
// lake's terrain (65 cells over 50 units, the terrain's heights as its ground,
// the depth technique on the terrain's material) or over flat ground.
template <class Program>
void expectWater(const BuiltProgram<Program>& built, int cells, float size, bool coupled)
{
    const WaterShell& program = *built.program;
    const water::WaterSimulator& water = *program.mWater;
    EXPECT_EQ(water.mNx, cells);
    EXPECT_EQ(water.mSize, size);
    EXPECT_EQ(water.mLevel, 10.0f);
    for (int k = 0; k < cells * cells; ++k) {
        const float ground = program.mTerrain ? program.mTerrain->mHeights[k] : 0.0f;
        ASSERT_EQ(water.mGround.data[k], ground) << k;
    }
    EXPECT_EQ(water.mRigidBodySimulator, coupled ? program.mSimulator : nullptr);

    const auto* grid = dynamic_cast<const HydraxGrid*>(program.mHydrax->getModule());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->getName(), "HydraxGridVertex");
    EXPECT_EQ(grid->mWaterSimulator, program.mWater);
    EXPECT_EQ(grid->mOptions.Complexity, cells) << "after the configuration was read";
    EXPECT_EQ(grid->mOptions.MeshSize, Hydrax::Size(int(size), int(size)));
    EXPECT_EQ(grid->mOptions.Strength, 32.5f);
    EXPECT_TRUE(program.mHydrax->isCreated());
    EXPECT_EQ(program.mHydrax->getSunPosition(), Ogre::Vector3(0, 40000, 0));
    EXPECT_EQ(built.logCount("[Hydrax] Creating HydraxGridVertex module."), 1);
    EXPECT_EQ(built.logCount("[Hydrax] HydraxGridVertex created."), 1);

    // The terrain's material draws as before, with the layer's depth technique beside.
    Ogre::MaterialPtr terrain = Ogre::MaterialManager::getSingleton().getByName(WaterShell::TERRAIN_MATERIAL);
    ASSERT_EQ(terrain->getNumTechniques(), program.mTerrain ? 2u : 1u);
    if (program.mTerrain) {
        EXPECT_EQ(terrain->getTechnique(1)->getSchemeName(), Hydrax::MaterialManager::DEPTH_SCHEME);
    }
}

template <class Program>
void expectLakeWater(const BuiltProgram<Program>& built, bool coupled)
{
    expectWater(built, 65, 50.0f, coupled);
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

// One body of a coupling program and the node that draws it (an empty mesh
// name: no node).
struct FloatingBody {
    ShapeType shape;
    float mass;
    float size;  // the radius of a sphere, the edge of a box; none for a mesh
    std::int32_t id;
    Vector3 position;
    const char* entityName;
    const char* nodeName;
    const char* meshName;
};

// What each of the five programs is, as far as a scene without a display shows it.
struct WaterProgramCase {
    const char* name;
    bool terrainSceneManager;
    bool statsShown;
    Ogre::Vector3 cameraPosition, cameraTarget;
    int cells;
    float size;
    double step;
    int terrainTriangles;  // of the static ground body; 0 without bodies
    bool cubeMesh;
    std::vector<FloatingBody> bodies;  // body 1 on; empty: no simulator
};

const Ogre::Vector3 COUPLING_CAMERA(-30, 20, -30), COUPLING_TARGET(0, 1, 0);
const Ogre::Vector3 RIPPLE_CAMERA(-70, 50, -70), RIPPLE_TARGET(0, 10, 0);

const WaterProgramCase waterPrograms[] = {
    {"floatball", true, false, COUPLING_CAMERA, COUPLING_TARGET, 65, 50, 1.0 / 60.0, 288, true,
     {{SHAPE_SPHERE, 0.3f, 0.5f, 0, {0, 10.5f, 0}, "Object1", "object_parent1", "sphere.mesh"}}},
    {"floatcrate", true, true, COUPLING_CAMERA, COUPLING_TARGET, 65, 50, 1.0 / 60.0, 72, true,
     {{SHAPE_BOX, 0.6f, 1.0f, 0, {0, 10.5f, 0}, "Box0", "box_parent0", "my_cube_mesh"}}},
    {"floatshell", true, true, COUPLING_CAMERA, COUPLING_TARGET, 65, 50, 1.0 / 60.0, 72, false,
     {{SHAPE_TRIANGLE_MESH, 0.25f, 0, 1, {0, 12.5f, 0}, "Ninja", "", "Bunny"}}},
    {"ripplehill", true, false, RIPPLE_CAMERA, RIPPLE_TARGET, 65, 50, 1.0 / 60.0, 0, false, {}},
    {"ripplebasic", false, false, RIPPLE_CAMERA, RIPPLE_TARGET, 129, 100, 1.0 / 30.0, 0, false, {}},
};

using testsupport::script;
using testsupport::scriptedDraw;

struct StepCounter : water::WaterModifier {
    void apply(float dt, water::WaterSimulator*) override
    {
        ++steps;
        lastDt = dt;
    }
    int steps = 0;
    float lastDt = 0;
};

double noiseTime(const WaterShell& program)
{
    return static_cast<Hydrax::Noise::Perlin*>(program.mHydrax->getModule()->getNoise())->getTime();
}

void expectFloatingBodies(WaterShell& program, const WaterProgramCase& c)
{
    if (c.bodies.empty()) {
        EXPECT_EQ(program.mSimulator, nullptr);
        EXPECT_TRUE(program.mNodes.empty());
        return;
    }
    RigidBodySimulator& simulator = *program.mSimulator;
    ASSERT_EQ(simulator.getNumBodies(), 1 + c.bodies.size());
    const auto* ground = static_cast<const TriangleMeshBody*>(simulator.getBody(0));
    ASSERT_EQ(ground->shapeType, SHAPE_TRIANGLE_MESH);
    EXPECT_EQ(ground->id, 0);
    EXPECT_EQ(ground->mass, 4.0f);
    EXPECT_EQ(ground->inverseMass, 0.0f);
    EXPECT_EQ(ground->meshTree->triangleCount, c.terrainTriangles);
    EXPECT_EQ(ground->meshTree->vertices, program.mTerrain->mVertices);
    expectAtRest(ground, {0, 0, 0});

    ASSERT_EQ(program.mNodes.size(), 1 + c.bodies.size());
    EXPECT_EQ(program.mNodes[0], nullptr);
    for (std::size_t i = 0; i < c.bodies.size(); ++i) {
        SCOPED_TRACE(i + 1);
        const FloatingBody& row = c.bodies[i];
        const RigidBody* body = simulator.getBody(unsigned(i + 1));
        ASSERT_EQ(body->shapeType, row.shape);
        EXPECT_EQ(body->id, row.id);
        EXPECT_EQ(body->mass, row.mass);
        EXPECT_EQ(body->inverseMass, float(1.0 / row.mass));
        expectAtRest(body, row.position);
        if (row.shape == SHAPE_SPHERE) {
            EXPECT_EQ(static_cast<const SphereBody*>(body)->radius, row.size);
        }
        for (int axis = 0; axis < 3 && row.shape == SHAPE_BOX; ++axis) {
            EXPECT_EQ(static_cast<const BoxBody*>(body)->halfExtents[axis], row.size / 2);
        }
        if (row.shape == SHAPE_TRIANGLE_MESH) {
            EXPECT_EQ(body, program.mBunnyBody);
            EXPECT_EQ(static_cast<const TriangleMeshBody*>(body)->meshTree->vertices, program.mMesh->mVertices);
            EXPECT_EQ(program.mNodes[i + 1], program.mBunnyNode);
        }
        expectNode(program.mNodes[i + 1], row.nodeName, row.entityName, row.meshName);
        // A node shows its body at its size: a sphere of the radius, a box of the edge.
        if (row.shape != SHAPE_TRIANGLE_MESH) {
            const auto* entity = static_cast<const Ogre::Entity*>(program.mNodes[i + 1]->getAttachedObject(0));
            const float drawn = row.shape == SHAPE_SPHERE ? 2 * row.size : row.size;
            EXPECT_FLOAT_EQ(program.mNodes[i + 1]->getScale().x * entity->getBoundingBox().getSize().x, drawn);
        }
    }
}

template <class Program>
void expectWaterProgram(const WaterProgramCase& c)
{
    forgetTerrainMaterial();
    provideTerrainMaterial();
    BuiltProgram<Program> built;
    built.build();
    Headless<Program>& program = *built.program;

    EXPECT_EQ(program.usesTerrainSceneManager(), c.terrainSceneManager);
    EXPECT_EQ(program.mSceneMgr->getTypeName(),
              c.terrainSceneManager ? platform::TerrainSceneManager::TYPE_NAME : Ogre::String("DefaultSceneManager"));
    EXPECT_EQ(program.statsShownAtStart(), c.statsShown);
    expectCamera(program, c.cameraPosition, c.cameraTarget);
    EXPECT_EQ(program.mTerrain != nullptr, c.terrainSceneManager);
    if (program.mTerrain) {
        EXPECT_EQ(program.mTerrain->mNumSamplesX, 65u);
        EXPECT_EQ(program.mTerrain->mMeshSamplesX, c.terrainTriangles == 72 ? 7u : 13u);
    }
    EXPECT_EQ(program.mMesh != nullptr, std::string(c.name) == "floatshell");
    if (program.mMesh) {
        EXPECT_EQ(program.mTerrain->mMesh->getName(), "Bunny/Terrain");
    }
    expectFloatingBodies(program, c);
    EXPECT_EQ(Ogre::MeshManager::getSingleton().resourceExists("my_cube_mesh"), c.cubeMesh);

    expectWater(built, c.cells, c.size, !c.bodies.empty());
    EXPECT_TRUE(program.mWater->mModifiers.empty()) << "no water source";
    if (c.bodies.empty()) {
        ASSERT_TRUE(program.mSceneMgr->hasLight("SunLight"));
        Ogre::Light* sun = program.mSceneMgr->getLight("SunLight");
        EXPECT_EQ(sun->getType(), Ogre::Light::LT_DIRECTIONAL);
        EXPECT_EQ(sun->getDirection(), Ogre::Vector3(0, -1, 1)) << "as given, not normalised";
        EXPECT_EQ(sun->getDiffuseColour(), Ogre::ColourValue(1, 1, 1));
        EXPECT_EQ(sun->getSpecularColour(), Ogre::ColourValue(1, 1, 1));
        EXPECT_FALSE(program.mSceneMgr->hasLight("Light0"));
    } else {
        expectLight0(program.mSceneMgr);
    }
    expectSkyAndAmbient(program.mSceneMgr);
    EXPECT_EQ(built.output.find("err: no intersection"), std::string::npos);

    // The frame step: the drop draw first, on the first frame too (which only
    // starts the clock), then the sub-steps of the program's length, the layer
    // placed from the surface and updated twice.
    StepCounter counter;
    program.mWater->addModifier(&counter);
    program.mDraw = scriptedDraw;
    script = {273, 16383, 16383, 0, 16383};
    testing::internal::CaptureStdout();
    Ogre::FrameEvent evt{};
    evt.timeSinceLastFrame = 1.0f / 60.0f;
    program.updateSimulation(evt);
    const int middle = (c.cells - 1) / 2 - 1;
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "add random drop at " + std::to_string(middle) + " / " + std::to_string(middle) + "\n");
    EXPECT_TRUE(script.empty());
    EXPECT_EQ(counter.steps, 0);
    EXPECT_GT(program.mWater->mDepth(middle, middle), program.mWater->mDepth(middle + 2, middle + 2));
    EXPECT_EQ(program.mHydrax->getPosition(), Ogre::Vector3(0, program.mWater->mMinSurface, 0));
    EXPECT_EQ(noiseTime(program), 2 * double(1.0f / 60.0f));

    // 0.1 x 0.5 x 32767 = 1638.35: no drop for the top draw.
    script = {32767};
    evt.timeSinceLastFrame = 0.1f;
    testing::internal::CaptureStdout();
    program.updateSimulation(evt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(script.empty()) << "one draw, no drop";
    const int fewest = c.step < 0.02 ? 5 : 2;
    EXPECT_TRUE(counter.steps == fewest || counter.steps == fewest + 1) << counter.steps;
    EXPECT_EQ(counter.lastDt, float(c.step));
    double simTime = double(1.0f / 60.0f);
    for (int i = 0; i < counter.steps; ++i) simTime += c.step;
    EXPECT_EQ(program.mSimTime, simTime);
    EXPECT_EQ(program.mHydrax->getPosition(), Ogre::Vector3(0, program.mWater->mMinSurface, 0));
    EXPECT_EQ(program.mHydrax->getPlanesError(),
              float(double(program.mWater->mMaxSurface) - program.mWater->mMinSurface));
    EXPECT_EQ(noiseTime(program), 2 * double(1.0f / 60.0f) + 2 * double(0.1f));
    for (std::size_t i = 1; i < program.mNodes.size(); ++i) {
        const Vector3& p = program.mSimulator->getBody(unsigned(i))->position;
        EXPECT_EQ(program.mNodes[i]->getPosition(), Ogre::Vector3(p.x, p.y, p.z)) << "the pose copied";
    }
    program.mWater->mModifiers.clear();
}

TEST_F(WaterPrograms, CouplingAndWaterOnlyProgramsFollowTheirTable)
{
    for (const WaterProgramCase& c : waterPrograms) {
        SCOPED_TRACE(c.name);
        const std::string name = c.name;
        if (name == "floatball") expectWaterProgram<floatball::Test>(c);
        if (name == "floatcrate") expectWaterProgram<floatcrate::Test>(c);
        if (name == "floatshell") expectWaterProgram<floatshell::Test>(c);
        if (name == "ripplehill") expectWaterProgram<ripplehill::Test>(c);
        if (name == "ripplebasic") expectWaterProgram<ripplebasic::Test>(c);
    }
}

// The lake's configuration names the lake's grid; ripplebasic's water keeps its
// own, with a line in the log for each option it keeps.
TEST_F(WaterPrograms, RipplebasicKeepsItsGridAgainstTheConfiguration)
{
    BuiltProgram<ripplebasic::Test> built;
    built.build();
    EXPECT_EQ(built.logCount("[Hydrax] HydraxGridVertex: a complexity of 65 disagrees with the water's grid of 129; "
                             "the water's is kept."),
              1);
    EXPECT_EQ(built.logCount("[Hydrax] HydraxGridVertex: a mesh size of 50x50 disagrees with the water's 100; the "
                             "water's is kept."),
              1);
    const auto* grid = static_cast<const HydraxGrid*>(built.program->mHydrax->getModule());
    EXPECT_EQ(grid->mOptions.Complexity, 129);
    EXPECT_EQ(built.program->mHydrax->getMesh()->getOptions().MeshComplexity, 129);
}

// floatball and floatcrate test their one place once: where the ground rises
// into it, the scene ends naming the body and the place (the record is deleted,
// nothing is queued).
TEST_F(WaterPrograms, FloatingBodyOnRaisedGroundEndsTheScene)
{
    // A lake of the test's own in place of the build's, while the test runs.
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    struct LakeSetAside {
        explicit LakeSetAside(Ogre::ResourceGroupManager& g) : groups(g)
        {
            if (programMediaProvided) groups.removeResourceLocation(LAKE_TERRAIN_FOLDER, Ogre::RGN_DEFAULT);
        }
        ~LakeSetAside()
        {
            if (programMediaProvided) groups.addResourceLocation(LAKE_TERRAIN_FOLDER, "FileSystem", Ogre::RGN_DEFAULT);
        }
        Ogre::ResourceGroupManager& groups;
    } aside(groups);
    testsupport::TerrainFolder files;
    // Flat at 10.25: through the body's lower half.
    files.writeTerrain("watertest2_terrain", 50, 50, 0, 10.25f, 5, 5, [](std::uint32_t, std::uint32_t) { return 255; });
    files.publish();
    const struct {
        const char* name;
        const char* text;
    } cases[] = {{"floatball", "the sphere (body 1) cannot be placed at (0, 10.5, 0)"},
                 {"floatcrate", "the box (body 1) cannot be placed at (0, 10.5, 0)"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            if (std::string(c.name) == "floatball") {
                BuiltProgram<floatball::Test> built(false);
                built.build();
            } else {
                BuiltProgram<floatcrate::Test> built(false);
                built.build();
            }
            ADD_FAILURE() << "no exception";
        } catch (const Ogre::Exception& e) {
            EXPECT_NE(e.getDescription().find(c.text), std::string::npos) << e.getDescription();
        }
    }
}

}  // namespace
