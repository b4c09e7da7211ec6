// The scenes of the mesh programs, built without a window from the build's
// models and terrain, as the programs read them; the lights and shadows on a
// render system that draws nothing.
#include <OgreEntity.h>
#include <OgreMaterialManager.h>
#include <OgreSubEntity.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "programs/bumphillball/bumphillball.h"
#include "programs/bumpshellball/bumpshellball.h"
#include "programs/bumpshellcrate/bumpshellcrate.h"
#include "programs/bumpshellfloor/bumpshellfloor.h"
#include "programs/bumpshellshell/bumpshellshell.h"
#include "programs/tumbleshow/tumbleshow.h"
#include "assets/ModelMesh.h"
#include "assets/RandomPlacement.h"
#include "platform/CrtRandom.h"
#include "sim/rigidbody/MeshTree.h"
#include "HeadlessOgre.h"
#include "HeadlessScene.h"
#include "RigidBodySceneSettings.h"
#include "StubRenderSystem.h"
#include "TerrainScene.h"

namespace {

using testsupport::HeadlessOgre;
using namespace physics;
using namespace physics::rigidbody;
using Poses = MeshTest::Poses;

// The programs name their models "../../../../media/models/...": they run four
// levels below the build directory, and so does the test while it builds them.
class ProgramDirectory {
public:
    ProgramDirectory() : mOld(std::filesystem::current_path())
    {
        std::filesystem::create_directories(MARROWFIELD_PROGRAM_WORKDIR);
        std::filesystem::current_path(MARROWFIELD_PROGRAM_WORKDIR);
    }
    ~ProgramDirectory() { std::filesystem::current_path(mOld); }

private:
    std::filesystem::path mOld;
};

// What the scene steps make and the programs never free.
template <class Model>
void releaseModel(Model* model)
{
    if (model) freeModelArrays(*model);
    delete model;
}
void releaseModels(tumbleshow::Test& p) { releaseModel(p.mMesh); }
void releaseModels(bumpshellball::Test& p) { releaseModel(p.mMesh); }
void releaseModels(bumpshellshell::Test& p) { releaseModel(p.mMesh); }
void releaseModels(bumpshellfloor::Test& p) { releaseModel(p.mMesh); }
void releaseModels(bumphillball::Test& p) { delete p.mTerrain; }
void releaseModels(bumpshellcrate::Test& p) { releaseModel(p.mMesh); }

// The scene managers the programs choose: the terrain programs' by its type name.
Ogre::SceneManager* sceneManagerFor(bool terrain)
{
    if (!terrain) return HeadlessOgre::newSceneManager();
    static const bool located = [] {
        Ogre::ResourceGroupManager::getSingleton().addResourceLocation(MARROWFIELD_MEDIA_DIR "/terrain", "FileSystem");
        return true;
    }();
    (void)located;
    return testsupport::newTerrainSceneManager();
}

// What the tests need of a program, whatever its shell.
class ProgramScene {
public:
    virtual ~ProgramScene() = default;
    // The bodies and their drawings; returns what the program printed.
    virtual std::string build() = 0;
    virtual TestShell& shell() = 0;
    virtual AbstractSimulator& simulator() = 0;
    // The nodes that draw bodies: the node list, or the one or two node fields.
    virtual std::vector<Ogre::SceneNode*> drawnNodes() = 0;
    virtual double timeScale() const = 0;
    virtual double step() const = 0;
};

// A scene built as the program builds it, in a directory where its model paths
// lead; returns what the bodies' creation wrote on standard output.
template <class Bodies, class Drawings>
std::string buildInProgramDirectory(Bodies bodies, Drawings drawings)
{
    const ProgramDirectory directory;
    testing::internal::CaptureStdout();
    bodies();
    const std::string output = testing::internal::GetCapturedStdout();
    drawings();
    return output;
}

// A program of the mesh shell.
template <class Program>
class HeadlessMeshProgram : public Program, public ProgramScene {
public:
    HeadlessMeshProgram() { this->mSceneMgr = sceneManagerFor(this->mUsesTerrainSceneManager); }
    ~HeadlessMeshProgram() override
    {
        if (this->mSimulator) testsupport::deleteBodies(*this->mSimulator);
        testsupport::deleteSimulator(this->mSimulator);
        releaseModels(*this);
    }

    std::string build() override
    {
        return buildInProgramDirectory([this] { this->createBodies(); }, [this] { this->createBodyDrawings(); });
    }
    TestShell& shell() override { return *this; }
    AbstractSimulator& simulator() override { return *this->mSimulator; }
    std::vector<Ogre::SceneNode*> drawnNodes() override
    {
        if (this->mSettings.poses == Poses::NODE_LIST) return this->mNodes;
        std::vector<Ogre::SceneNode*> nodes{this->mBodyNode1};
        if (this->mBodyNode2) nodes.push_back(this->mBodyNode2);
        return nodes;
    }
    double timeScale() const override { return this->mSettings.timeScale; }
    double step() const override { return this->mSettings.step; }
};

// A program of the contact-test template.
template <class Program>
class HeadlessContactProgram : public Program, public ProgramScene {
public:
    HeadlessContactProgram() { this->mSceneMgr = HeadlessOgre::newSceneManager(); }
    ~HeadlessContactProgram() override
    {
        testsupport::deleteBodies(this->mSimulator);
        releaseModels(*this);
    }

    std::string build() override
    {
        return buildInProgramDirectory([this] { this->createBodies(); }, [this] { this->createBodyDrawings(); });
    }
    TestShell& shell() override { return *this; }
    AbstractSimulator& simulator() override { return this->mSimulator; }
    std::vector<Ogre::SceneNode*> drawnNodes() override { return this->mNodes; }
    double timeScale() const override { return ContactTest::TIME_SCALE; }
    double step() const override { return ContactTest::STEP; }
};

// The meshes are the process's, the scenes the test's: each test starts without them.
void forgetMeshes()
{
    Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
    for (const char* name : {"Bunny", "teapot", "my_cube_mesh"})
        if (meshes.resourceExists(name)) meshes.remove(name);
}

// Stand-ins for the materials of the media, so that the entities keep their names.
void defineMaterials()
{
    for (const char* name : {"Examples/Bunny", "Examples/Rockwall"})
        if (!Ogre::MaterialManager::getSingleton().resourceExists(name))
            Ogre::MaterialManager::getSingleton().create(name, Ogre::RGN_DEFAULT);
}

class MeshPrograms : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::defineSphereMesh();
        defineMaterials();
        forgetMeshes();
    }
    void TearDown() override { forgetMeshes(); }
};

// A body as its row gives it. size: a sphere's radius, a box's edge; turnX: the
// rotation about x (0: identity); a placed body's position comes from the draws
// (tested below).
enum class Place { FIXED, DRAWN };
struct BodyRow {
    ShapeType shape;
    std::int32_t id;
    float mass;
    float inverseMass;
    float size;
    Vector3 position;
    float turnX;
    Place place;
};

BodyRow meshRow(std::int32_t id, float mass, bool dynamic, Vector3 position, float turnX = 0)
{
    return {SHAPE_TRIANGLE_MESH, id, mass, dynamic ? float(1.0 / mass) : 0.0f, 0, position, turnX, Place::FIXED};
}
BodyRow sphereRow(std::int32_t id, float mass, float radius, Vector3 position, Place place = Place::FIXED)
{
    return {SHAPE_SPHERE, id, mass, float(1.0 / mass), radius, position, 0, place};
}
BodyRow boxRow(std::int32_t id, float mass, float edge)
{
    return {SHAPE_BOX, id, mass, float(1.0 / mass), edge, {}, 0, Place::DRAWN};
}
// The enclosure's planes in their order, the floor alone with count 1.
std::vector<BodyRow> planeRows(std::int32_t firstId, int count = 5, bool sameIds = false)
{
    std::vector<BodyRow> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({SHAPE_PLANE, sameIds ? firstId : firstId + i, 1, 0, 0, {}, 0, Place::FIXED});
    return rows;
}
std::vector<BodyRow> operator+(std::vector<BodyRow> a, const std::vector<BodyRow>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A node as its row gives it: the body it shows (-1: a null entry), its entity
// and mesh, its name (nullptr: Ogre's own), whether it casts shadows, the size it
// is drawn at (a sphere's diameter, a box's edge; 0: a model at its own size),
// and whether the frame copies its body's pose.
struct NodeRow {
    int body;
    std::string entity;
    const char* mesh;
    std::string name;  // empty: Ogre's own name
    const char* material;
    bool castsShadows;
    float drawnSize;
    bool copied;
};
const NodeRow NULL_ENTRY{-1, "", nullptr, "", nullptr, false, 0, false};

struct CameraRow {
    Ogre::Vector3 position;
    Ogre::Vector3 target;
    float farClip;  // 0: the engine's default
};
const CameraRow TUMBLE_CAMERA{{6, 6, 6}, {0, 3, 0}, 0};

struct ProgramRow {
    const char* name;
    std::function<std::unique_ptr<ProgramScene>()> make;
    double timeScale;
    double step;
    bool terrainSceneManager;
    CameraRow camera;  // position 0: the template's, tested with it
    std::vector<BodyRow> bodies;
    std::vector<NodeRow> nodes;
};

template <class Program>
std::unique_ptr<ProgramScene> meshProgram()
{
    return std::make_unique<HeadlessMeshProgram<Program>>();
}

std::vector<NodeRow> tumbleshowNodes()
{
    std::vector<NodeRow> rows{{0, "Ninja1", "Bunny", "", "Examples/Bunny", true, 0, true},
                              {1, "Ninja2", "Bunny", "", "Examples/Bunny", true, 0, true}};
    for (int i = 2; i <= 12; ++i) {
        const bool box = i == 12;
        rows.push_back({i, "Object" + std::to_string(i), box ? "my_cube_mesh" : "sphere.mesh",
                        "object_parent" + std::to_string(i), "Examples/Rockwall", true, box ? 0.5f : 0.6f, true});
    }
    for (int i = 13; i < 18; ++i) rows.push_back(NULL_ENTRY);
    return rows;
}

const std::vector<ProgramRow>& programRows()
{
    static const std::vector<ProgramRow> rows = {
        {"tumbleshow", &meshProgram<tumbleshow::Test>, 3.0, 1.0 / 120, false, TUMBLE_CAMERA,
         std::vector<BodyRow>{meshRow(0, 10, true, {0, 1, 0}, 0.785f), meshRow(1, 25, true, {0, 2.5f, 0})} +
             std::vector<BodyRow>(10, sphereRow(0, 6, 0.3f, {}, Place::DRAWN)) +
             std::vector<BodyRow>{boxRow(0, 8, 0.5f)} + planeRows(2),
         tumbleshowNodes()},
        {"bumpshellball", &meshProgram<bumpshellball::Test>, 1.0, 1.0 / 60, false, TUMBLE_CAMERA,
         std::vector<BodyRow>{meshRow(0, 8, true, {0, 2.5f, 0}, 0.785f), sphereRow(1, 8, 0.35f, {0, 1, 0})} +
             planeRows(2),
         {{0, "Ninja", "Bunny", "", "Examples/Bunny", true, 0, true},
          {1, "sphere0", "sphere.mesh", "spherenode0", "Examples/Rockwall", true, 0.7f, true}}},
        {"bumpshellshell", &meshProgram<bumpshellshell::Test>, 3.0, 1.0 / 60, false, TUMBLE_CAMERA,
         std::vector<BodyRow>{meshRow(0, 10, true, {0, 1, 0}, 0.785f), meshRow(1, 25, true, {0, 2.5f, 0})} +
             planeRows(2),
         {{0, "Ninja1", "Bunny", "", "Examples/Bunny", true, 0, true},
          {1, "Ninja2", "Bunny", "", "Examples/Bunny", true, 0, true}}},
        {"bumpshellfloor", &meshProgram<bumpshellfloor::Test>, 1.0, 1.0 / 120, false, TUMBLE_CAMERA,
         std::vector<BodyRow>{meshRow(0, 8, true, {0, 1.5f, 0}, 0.785f)} + planeRows(1, 1),
         {{0, "Ninja", "Bunny", "", "Examples/Bunny", false, 0, true}}},
        {"bumphillball", &meshProgram<bumphillball::Test>, 1.0, 1.0 / 60, true, {{-30, 20, -30}, {0, 1, 0}, 599994},
         {meshRow(0, 8, false, {0, 0, 0}), sphereRow(1, 8, 0.35f, {0, 15, 0})},
         {{0, "Ninja", "Bunny", "", "Examples/Bunny", true, 0, false},
          {1, "sphere0", "sphere.mesh", "spherenode0", "Examples/Rockwall", true, 0.7f, true}}},
        {"bumpshellcrate", [] { return std::make_unique<HeadlessContactProgram<bumpshellcrate::Test>>(); }, 1.0,
         1.0 / 120, false, {},
         std::vector<BodyRow>{meshRow(0, 8, true, {0, 20, 0}), boxRow(0, 8, 1), boxRow(0, 8, 1)} +
             planeRows(0, 5, true),
         {{0, "Ninja", "teapot", "", "Examples/Bunny", false, 0, true},
          {1, "Box0", "my_cube_mesh", "box_parent0", "Examples/Rockwall", true, 1, true},
          {2, "Box1", "my_cube_mesh", "box_parent1", "Examples/Rockwall", true, 1, true}}},
    };
    return rows;
}

// The enclosure's planes in their order; the floor comes first.
const Plane enclosurePlanes[5] = {{{0, 1, 0}, 0}, {{1, 0, 0}, 2}, {{-1, 0, 0}, 2}, {{0, 0, 1}, 2}, {{0, 0, -1}, 2}};

void expectBody(RigidBody* body, const BodyRow& row, int planeIndex)
{
    ASSERT_EQ(body->shapeType, row.shape);
    EXPECT_EQ(body->id, row.id);
    EXPECT_EQ(body->mass, row.mass);
    EXPECT_EQ(body->inverseMass, row.inverseMass);
    switch (row.shape) {
    case SHAPE_SPHERE: EXPECT_EQ(static_cast<SphereBody*>(body)->radius, row.size); break;
    case SHAPE_BOX:
        for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(static_cast<BoxBody*>(body)->halfExtents[axis], row.size / 2);
        break;
    case SHAPE_PLANE: {
        const Plane& plane = static_cast<PlaneBody*>(body)->plane;
        const Plane& expected = enclosurePlanes[planeIndex];
        for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(plane.normal[axis], expected.normal[axis]);
        EXPECT_EQ(plane.d, expected.d);
        break;
    }
    default: break;
    }
    if (row.place == Place::FIXED && row.shape != SHAPE_PLANE) {
        for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(body->position[axis], row.position[axis]) << "axis " << axis;
    }
    const Matrix3 rotation = row.turnX != 0 ? Matrix3::makeRotationX(row.turnX) : Matrix3::identity();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(body->rotation[r][c], rotation[r][c]) << r << ", " << c;
    EXPECT_EQ(body->linearMomentum.y, 0.0f);
    EXPECT_EQ(body->angularMomentum.x, 0.0f);
}

void expectNode(Ogre::SceneNode* node, const NodeRow& row)
{
    if (row.body < 0) {
        EXPECT_EQ(node, nullptr);
        return;
    }
    ASSERT_NE(node, nullptr);
    if (!row.name.empty()) {
        EXPECT_EQ(node->getName(), row.name);
    }
    EXPECT_EQ(node->getParentSceneNode(), node->getCreator()->getRootSceneNode());
    ASSERT_EQ(node->numAttachedObjects(), 1u);
    auto* entity = static_cast<Ogre::Entity*>(node->getAttachedObject(0));
    EXPECT_EQ(entity->getName(), row.entity);
    EXPECT_EQ(entity->getMesh()->getName(), row.mesh);
    // (The stand-in sphere mesh has no submesh to carry a material.)
    for (unsigned i = 0; i < entity->getNumSubEntities(); ++i)
        EXPECT_EQ(entity->getSubEntity(i)->getMaterialName(), row.material);
    EXPECT_EQ(entity->getCastShadows(), row.castsShadows);
    if (row.drawnSize == 0) {
        EXPECT_EQ(node->getScale(), Ogre::Vector3::UNIT_SCALE);
        EXPECT_EQ(node->getPosition(), Ogre::Vector3::ZERO);
    } else {
        const Ogre::Vector3 extent = entity->getBoundingBox().getSize();
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_FLOAT_EQ(node->getScale()[axis] * extent[axis], row.drawnSize) << "axis " << axis;
    }
}

// The first frame starts the clock and copies the poses of the drawn bodies the
// program copies, and only of those.
void expectPoseCopies(ProgramScene& scene, const std::vector<Ogre::SceneNode*>& nodes,
                      const std::vector<NodeRow>& rows)
{
    const Ogre::Vector3 away(100, 100, 100);
    for (Ogre::SceneNode* node : nodes)
        if (node) node->setPosition(away);
    Ogre::FrameEvent evt{};
    evt.timeSinceLastFrame = 0.02f;
    scene.shell().updateSimulation(evt);
    EXPECT_EQ(scene.shell().mSimTime, scene.shell().mRealTime);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].body < 0) continue;
        const RigidBody* body = scene.simulator().getBody(unsigned(rows[i].body));
        const Ogre::Vector3 expected =
            rows[i].copied ? Ogre::Vector3(body->position.x, body->position.y, body->position.z) : away;
        EXPECT_EQ(nodes[i]->getPosition(), expected) << "node " << i;
    }
}

TEST_F(MeshPrograms, BodiesNodesAndSettingsFollowEachProgramsTable)
{
    for (const ProgramRow& program : programRows()) {
        SCOPED_TRACE(program.name);
        forgetMeshes();
        std::unique_ptr<ProgramScene> scene = program.make();
        scene->build();

        AbstractSimulator& simulator = scene->simulator();
        ASSERT_EQ(simulator.getNumBodies(), program.bodies.size());
        int planes = 0;
        for (std::size_t i = 0; i < program.bodies.size(); ++i) {
            SCOPED_TRACE("body " + std::to_string(i));
            const bool plane = program.bodies[i].shape == SHAPE_PLANE;
            expectBody(simulator.getBody(unsigned(i)), program.bodies[i], plane ? planes++ : 0);
        }

        const std::vector<Ogre::SceneNode*> nodes = scene->drawnNodes();
        ASSERT_EQ(nodes.size(), program.nodes.size());
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            SCOPED_TRACE("node " + std::to_string(i));
            expectNode(nodes[i], program.nodes[i]);
        }

        EXPECT_EQ(scene->timeScale(), program.timeScale);
        EXPECT_EQ(scene->step(), program.step);
        EXPECT_FALSE(scene->shell().statsShownAtStart());
        EXPECT_EQ(scene->shell().usesTerrainSceneManager(), program.terrainSceneManager);
        expectPoseCopies(*scene, nodes, program.nodes);

        if (program.camera.position != Ogre::Vector3::ZERO) {
            TestShell& shell = scene->shell();
            shell.createCamera();
            EXPECT_EQ(shell.mCamera->getName(), "PlayerCam");
            EXPECT_EQ(shell.mCamera->getPosition(), program.camera.position);
            const Ogre::Vector3 towards = (program.camera.target - program.camera.position).normalisedCopy();
            EXPECT_TRUE(shell.mCamera->getDirection().positionEquals(towards, 1e-6f));
            EXPECT_EQ(shell.mCamera->getNearClipDistance(), 0.5f);
            if (program.camera.farClip != 0) {
                EXPECT_EQ(shell.mCamera->getFarClipDistance(), program.camera.farClip);
            }
        }
    }
}

// Both bunnies of one program lie on the model's arrays, each with its own tree.
TEST_F(MeshPrograms, MeshBodiesKeepTheirModelsArrays)
{
    HeadlessMeshProgram<tumbleshow::Test> tumble;
    tumble.build();
    const MeshTree* lower = static_cast<TriangleMeshBody*>(tumble.mBody1)->meshTree;
    const MeshTree* upper = static_cast<TriangleMeshBody*>(tumble.mBody2)->meshTree;
    EXPECT_NE(lower, upper);
    EXPECT_EQ(lower->vertices, tumble.mMesh->mVertices);
    EXPECT_EQ(upper->vertices, tumble.mMesh->mVertices);
    EXPECT_EQ(lower->triangleCount, tumble.mMesh->mNumFaces);
    EXPECT_EQ(tumble.mMesh->mNumVertices, 344);
    EXPECT_EQ(tumble.mMesh->mNumFaces, 684);
    forgetMeshes();

    HeadlessMeshProgram<bumphillball::Test> hill;
    hill.build();
    const MeshTree* ground = static_cast<TriangleMeshBody*>(hill.mBody1)->meshTree;
    EXPECT_EQ(ground->vertices, hill.mTerrain->mVertices);
    EXPECT_EQ(ground->triangleCount, 288);
    // Drawn only through the coarse mesh.
    Ogre::SceneNode* world = hill.mSceneMgr->getSceneNode("Terrain");
    EXPECT_EQ(world->getPosition(), Ogre::Vector3(-5, 0, -5));
    for (unsigned i = 0; i < world->numAttachedObjects(); ++i) EXPECT_FALSE(world->getAttachedObject(i)->getVisible());
    auto children = world->getChildren();
    for (Ogre::Node* child : children)
        for (unsigned i = 0; i < static_cast<Ogre::SceneNode*>(child)->numAttachedObjects(); ++i)
            EXPECT_FALSE(static_cast<Ogre::SceneNode*>(child)->getAttachedObject(i)->getVisible());
}

bool within(const Vector3& p, const Vector3& q, float distance)
{
    const Vector3 d = p - q;
    return squaredLength(d) < distance * distance;
}

// The draws after srand(27493), replayed: each body of the column takes the
// first place that keeps clear of everything queued before it.
TEST_F(MeshPrograms, TumbleshowPlacesItsSpheresAndBoxOnTheFirstFreeDraws)
{
    HeadlessMeshProgram<tumbleshow::Test> program;
    program.build();
    const int nextDraw = platform::crtRand();

    // Walk the draw stream: every draw is a kept body's place, in body order, or
    // a place refused because its body would overlap one queued before.
    platform::crtSrand(27493);
    std::vector<Vector3> spheres;
    int refused = 0;
    for (unsigned index = 2; index <= 12; ++index) {
        const RigidBody* body = program.mSimulator->getBody(index);
        const float reach = index == 12 ? 0.5f * std::sqrt(3.0f) * 0.5f : 0.3f;  // the box's half diagonal
        for (;;) {
            const Vector3 p = drawColumnPoint();
            if (p.x == body->position.x && p.y == body->position.y && p.z == body->position.z) break;
            // A refused place overlaps a sphere or comes within a bunny's reach
            // (each bunny lies in a sphere of radius 0.5 around its centre).
            bool near = false;
            for (const Vector3& q : spheres) near = near || within(p, q, reach + 0.3f);
            for (const Vector3& c : {Vector3{0, 1, 0}, Vector3{0, 2.5f, 0}}) near = near || within(p, c, reach + 0.5f);
            EXPECT_TRUE(near) << "a free place refused for body " << index;
            ASSERT_LT(++refused, 1000) << "body " << index << " is at no drawn place";
        }
        if (index < 12) {
            for (const Vector3& q : spheres) EXPECT_FALSE(within(body->position, q, 0.6f)) << index;
            spheres.push_back(body->position);
        }
    }
    EXPECT_GT(refused, 0) << "the bunnies and spheres should refuse some places";
    EXPECT_EQ(platform::crtRand(), nextDraw) << "the scene drew more than its places";
}

// With x and z within 0.99 of each other, two upright cubes of edge 1 always
// overlap in x and z: the second box takes the first draw more than 1 above or
// below the first (the teapot, at 20, is out of the column's reach).
TEST_F(MeshPrograms, BumpshellcratePlacesItsBoxesOnTheFirstFreeDraws)
{
    HeadlessContactProgram<bumpshellcrate::Test> program;
    program.build();
    const int nextDraw = platform::crtRand();

    platform::crtSrand(27493);
    const Vector3 first = drawColumnPoint();
    Vector3 second;
    for (;;) {
        second = drawColumnPoint();
        const float apart = std::fabs(second.y - first.y);
        ASSERT_GT(std::fabs(apart - 1.0f), 1e-4f) << "a draw on the edge of touching";
        if (apart > 1.0f) break;
    }
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_EQ(program.mSimulator.getBody(1)->position[axis], first[axis]) << axis;
        EXPECT_EQ(program.mSimulator.getBody(2)->position[axis], second[axis]) << axis;
    }
    EXPECT_EQ(platform::crtRand(), nextDraw) << "the scene drew more than its places";
}

// The whole scene step of each: a dim ambient light, the sun along (0, -1, -1),
// additive stencil shadows but bumpshellfloor's modulative texture shadows, the
// ground but in bumphillball, which has its hills; bumpshellcrate is a template
// program, with the template's black, its sun along (0, -1, 1) and its ground.
TEST_F(MeshPrograms, LightsShadowsAndGroundFollowEachProgramsTable)
{
    using testsupport::RigidBodySceneSettings;
    const Ogre::ColourValue dim(0.1f, 0.1f, 0.1f, 1);
    const std::map<std::string, RigidBodySceneSettings> settings = {
        {"tumbleshow", {dim, Ogre::SHADOWTYPE_STENCIL_ADDITIVE, {0, -1, -1}, true}},
        {"bumpshellball", {dim, Ogre::SHADOWTYPE_STENCIL_ADDITIVE, {0, -1, -1}, true}},
        {"bumpshellshell", {dim, Ogre::SHADOWTYPE_STENCIL_ADDITIVE, {0, -1, -1}, true}},
        {"bumpshellfloor", {dim, Ogre::SHADOWTYPE_TEXTURE_MODULATIVE, {0, -1, -1}, true}},
        {"bumphillball", {dim, Ogre::SHADOWTYPE_STENCIL_ADDITIVE, {0, -1, -1}, false}},
        {"bumpshellcrate", {Ogre::ColourValue(0, 0, 0, 1), Ogre::SHADOWTYPE_STENCIL_ADDITIVE, {0, -1, 1}, true}},
    };
    testsupport::StubRenderSystem renderSystem;
    for (const ProgramRow& program : programRows()) {
        SCOPED_TRACE(program.name);
        forgetMeshes();
        testsupport::forgetGroundMesh();
        std::unique_ptr<ProgramScene> scene = program.make();
        Ogre::SceneManager* sceneMgr = scene->shell().mSceneMgr;
        sceneMgr->_setDestinationRenderSystem(&renderSystem);
        buildInProgramDirectory([&] { scene->shell().createScene(); }, [] {});
        testsupport::expectSceneSettings(sceneMgr, settings.at(program.name));
        sceneMgr->_setDestinationRenderSystem(nullptr);
    }
    testsupport::forgetGroundMesh();
}

}  // namespace
