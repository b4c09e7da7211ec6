// The bodies, scene nodes, lights and shadows of each contact-test program, built
// without a window (the shadows on a render system that draws nothing).
#include <OgreEntity.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "programs/bumpballball/bumpballball.h"
#include "programs/bumpballfloor/bumpballfloor.h"
#include "programs/bumpcrateball/bumpcrateball.h"
#include "programs/bumpcratecrate/bumpcratecrate.h"
#include "programs/bumpcratefloor/bumpcratefloor.h"
#include "HeadlessOgre.h"
#include "HeadlessScene.h"
#include "RigidBodySceneSettings.h"
#include "StubRenderSystem.h"

namespace {

using testsupport::HeadlessOgre;
using namespace physics;
using namespace physics::rigidbody;

// What the test needs of a program, whatever its class.
class ProgramScene {
public:
    virtual ~ProgramScene() = default;
    virtual void build() = 0;
    virtual ContactTest& app() = 0;
};

template <class Program>
class HeadlessProgram : public Program, public ProgramScene {
public:
    HeadlessProgram() { this->mSceneMgr = HeadlessOgre::newSceneManager(); }
    ~HeadlessProgram() override { testsupport::deleteBodies(this->mSimulator); }

    void build() override
    {
        testing::internal::CaptureStdout();  // the seeding line
        this->createBodies();
        testing::internal::GetCapturedStdout();
        this->createBodyDrawings();
    }
    ContactTest& app() override { return *this; }
};

template <class Program>
std::unique_ptr<ProgramScene> makeProgram()
{
    return std::make_unique<HeadlessProgram<Program>>();
}

// One dynamic body and the node that draws it; size is the radius of a sphere,
// the edge of a box.
struct DrawnBody {
    ShapeType shape;
    float mass;
    float size;
    Vector3 position;
    const char* entityName;
    const char* nodeName;
};

struct ProgramCase {
    const char* name;
    std::unique_ptr<ProgramScene> (*make)();
    std::vector<DrawnBody> bodies;
};

const ProgramCase programs[] = {
    {"bumpcrateball",
     &makeProgram<bumpcrateball::Test>,
     {{SHAPE_SPHERE, 6, 0.1f, {0.1f, 3.5f, 0.1f}, "Sphere0", "sphere_parent0"},
      {SHAPE_BOX, 8, 0.2f, {0, 4, 0}, "Box0", "box_parent0"}}},
    {"bumpcratecrate",
     &makeProgram<bumpcratecrate::Test>,
     {{SHAPE_BOX, 6, 0.2f, {0.1f, 3.5f, 0.1f}, "Box0", "box_parent0"},
      {SHAPE_BOX, 8, 0.2f, {0, 4, 0}, "Box1", "box_parent1"}}},
    {"bumpcratefloor", &makeProgram<bumpcratefloor::Test>, {{SHAPE_BOX, 8, 0.2f, {0, 4, 0}, "Box0", "box_parent0"}}},
    {"bumpballball",
     &makeProgram<bumpballball::Test>,
     {{SHAPE_SPHERE, 6, 0.1f, {0, 3.5f, 0}, "Sphere0", "sphere_parent0"},
      {SHAPE_SPHERE, 6, 0.1f, {0.1f, 3.0f, 0.1f}, "Sphere1", "sphere_parent1"}}},
    {"bumpballfloor",
     &makeProgram<bumpballfloor::Test>,
     {{SHAPE_SPHERE, 6, 0.1f, {0, 3.5f, 0}, "Sphere0", "sphere_parent0"}}},
};

void expectBody(const RigidBody* body, const DrawnBody& row)
{
    ASSERT_EQ(body->shapeType, row.shape);
    EXPECT_EQ(body->id, 0);
    EXPECT_EQ(body->mass, row.mass);
    if (row.shape == SHAPE_SPHERE) {
        EXPECT_EQ(static_cast<const SphereBody*>(body)->radius, row.size);
    } else {
        const Vector3& h = static_cast<const BoxBody*>(body)->halfExtents;
        for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(h[axis], row.size / 2) << "axis " << axis;
    }
    for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(body->position[axis], row.position[axis]) << "axis " << axis;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(body->rotation[r][c], r == c ? 1.0f : 0.0f);
}

// The node shows its body's kind at the body's physical size.
void expectNode(Ogre::SceneNode* node, const DrawnBody& row)
{
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->getName(), row.nodeName);
    ASSERT_EQ(node->numAttachedObjects(), 1u);
    const auto* entity = static_cast<const Ogre::Entity*>(node->getAttachedObject(0));
    EXPECT_EQ(entity->getName(), row.entityName);
    EXPECT_EQ(entity->getMesh()->getName(), row.shape == SHAPE_SPHERE ? "sphere.mesh" : "my_cube_mesh");
    const float drawn = row.shape == SHAPE_SPHERE ? 2 * row.size : row.size;
    const Ogre::Vector3 extent = entity->getBoundingBox().getSize();
    for (int axis = 0; axis < 3; ++axis) EXPECT_FLOAT_EQ(node->getScale()[axis] * extent[axis], drawn) << "axis " << axis;
}

void expectProgram(const ProgramCase& program)
{
    testsupport::forgetCubeMesh();
    std::unique_ptr<ProgramScene> scene = program.make();
    scene->build();
    ContactTest& app = scene->app();

    // The dynamic bodies first, in the table's order, then the five planes.
    const std::size_t n = program.bodies.size();
    ASSERT_EQ(app.mSimulator.getNumBodies(), n + 5);
    for (std::size_t i = 0; i < n; ++i) {
        SCOPED_TRACE(i);
        expectBody(app.mSimulator.getBody(unsigned(i)), program.bodies[i]);
    }
    for (std::size_t i = n; i < n + 5; ++i) EXPECT_EQ(app.mSimulator.getBody(unsigned(i))->shapeType, SHAPE_PLANE);

    // Entry i draws body i; the planes have none.
    ASSERT_EQ(app.mNodes.size(), n);
    for (std::size_t i = 0; i < n; ++i) {
        SCOPED_TRACE(i);
        expectNode(app.mNodes[i], program.bodies[i]);
    }

    // Only the programs with boxes build the cube mesh.
    bool hasBoxes = false;
    for (const DrawnBody& body : program.bodies) hasBoxes = hasBoxes || body.shape == SHAPE_BOX;
    EXPECT_EQ(Ogre::MeshManager::getSingleton().resourceExists("my_cube_mesh"), hasBoxes);

    // All five start with the statistics overlay hidden, on the generic scene manager.
    EXPECT_FALSE(scene->app().statsShownAtStart());
    EXPECT_FALSE(scene->app().usesTerrainSceneManager());
}

TEST(ContactPrograms, BodiesNodesAndMeshesFollowEachProgramsTable)
{
    testsupport::defineSphereMesh();
    for (const ProgramCase& program : programs) {
        SCOPED_TRACE(program.name);
        expectProgram(program);
    }
}

// The whole scene step: a black ambient light, additive stencil shadows, the
// sun along (0, -1, 1) and the ground, in each of the five.
TEST(ContactPrograms, LightsShadowsAndGroundAreTheTemplates)
{
    const testsupport::RigidBodySceneSettings expected{
        Ogre::ColourValue(0, 0, 0, 1), Ogre::SHADOWTYPE_STENCIL_ADDITIVE, Ogre::Vector3(0, -1, 1), true};
    testsupport::defineSphereMesh();
    for (const char* material : {"Examples/Rockwall"})
        if (!Ogre::MaterialManager::getSingleton().resourceExists(material))
            Ogre::MaterialManager::getSingleton().create(material, Ogre::RGN_DEFAULT);
    testsupport::StubRenderSystem renderSystem;
    for (const ProgramCase& program : programs) {
        SCOPED_TRACE(program.name);
        testsupport::forgetCubeMesh();
        testsupport::forgetGroundMesh();
        std::unique_ptr<ProgramScene> scene = program.make();
        scene->app().mSceneMgr->_setDestinationRenderSystem(&renderSystem);
        testing::internal::CaptureStdout();  // the seeding line
        scene->app().createScene();
        testing::internal::GetCapturedStdout();
        testsupport::expectSceneSettings(scene->app().mSceneMgr, expected);
        scene->app().mSceneMgr->_setDestinationRenderSystem(nullptr);
    }
    testsupport::forgetGroundMesh();
}

}  // namespace
