#include "frame/ContactTest.h"

#include <cstdio>

#include "assets/CubeMesh.h"
#include "assets/MeshBody.h"
#include "assets/ModelNode.h"
#include "assets/PlyMesh.h"
#include "assets/RandomPlacement.h"
#include "platform/CrtRandom.h"
#include "platform/Time64.h"

using namespace physics;
using namespace physics::rigidbody;

ContactTest::ContactTest() = default;

ContactTest::~ContactTest() = default;

void ContactTest::createCamera()
{
    mCamera = mSceneMgr->createCamera("PlayerCam");
    mCamera->setPosition(Ogre::Vector3(6, 6, -6));
    mCamera->lookAt(Ogre::Vector3(0, 0, 0));
    mCamera->setNearClipDistance(0.5);
}

void ContactTest::createScene()
{
    createBodies();
    mSceneMgr->setAmbientLight(Ogre::ColourValue(0, 0, 0, 1));
    mSceneMgr->setShadowTechnique(Ogre::SHADOWTYPE_STENCIL_ADDITIVE);
    createBodyDrawings();
    createGroundPlane(mSceneMgr);
    createSunLight(mSceneMgr, Ogre::Vector3(0, -1, 1));
}

void ContactTest::createBodies()
{
    seedRandomGenerator();
    addDynamicBodies();
    queueEnclosure(mSimulator);
    mSimulator.commitBodies();
}

void ContactTest::createBodyDrawings()
{
    if (mHasBoxes) createCubeMesh();
    createBodyNodes();
}

// One number from a time seed tells runs apart in their output; the scene itself
// draws from the fixed seed, so it is the same in every run.
void ContactTest::seedRandomGenerator()
{
    platform::crtSrand(std::uint32_t(platform::time64()));
    std::printf("--------- seeding with: %d\n", platform::crtRand());
    platform::crtSrand(SCENE_SEED);
}

void ContactTest::addSphere(float mass, float radius, const Vector3& position)
{
    SphereBody* body = new SphereBody();
    body->id = std::int32_t(mSimulator.getNumBodies());
    initSphere(body, mass, radius);
    queueBody(body, position);
}

void ContactTest::addBox(float mass, float size, const Vector3& position)
{
    BoxBody* body = new BoxBody();
    body->id = std::int32_t(mSimulator.getNumBodies());
    initBox(body, mass, size, size, size);
    queueBody(body, position);
    mHasBoxes = true;
}

void ContactTest::addMeshBody(float mass, PlyMesh& model, const Vector3& position)
{
    queueMeshBody(mSimulator, std::int32_t(mSimulator.getNumBodies()), mass, model, true, position);
}

void ContactTest::placeBoxes(int count, float mass, float size)
{
    placeAtRandom<BoxBody>(mSimulator, count, "box",
                           [&](BoxBody* body) { initBox(body, mass, size, size, size); });
    mHasBoxes = true;
}

void ContactTest::queueBody(RigidBody* body, const Vector3& position)
{
    setAtRest(body, position);
    mSimulator.addBody(body);
}

void ContactTest::addSphereNode(const std::string& entityName, const std::string& nodeName, NodeScale scale)
{
    appendNode(createSphereNode(entityName, nodeName, 0.5f), scale);
}

void ContactTest::addBoxNode(const std::string& entityName, const std::string& nodeName, NodeScale scale)
{
    appendNode(createBoxNode(entityName, nodeName), scale);
}

void ContactTest::addModelNode(const std::string& entityName, const std::string& meshName, bool castShadows)
{
    appendNode(createModelNode(mSceneMgr, entityName, meshName, castShadows), NodeScale::UNIT);
}

void ContactTest::appendNode(Ogre::SceneNode* node, NodeScale scale)
{
    if (scale == NodeScale::FIFTH) node->setScale(node->getScale() / 5.0f);
    mNodes.push_back(node);
}

void ContactTest::updateSimulation(const Ogre::FrameEvent& evt)
{
    advanceClock(evt.timeSinceLastFrame, TIME_SCALE, STEP, [this](float t0, float t1) { mSimulator.simulate(t0, t1); });
    copyDrawnPoses(mSimulator, mNodes);
}
