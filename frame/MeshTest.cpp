#include "frame/MeshTest.h"

#include "assets/ModelNode.h"

using namespace physics;
using namespace physics::rigidbody;

MeshTest::MeshTest(const Settings& settings) : mSettings(settings) {}

MeshTest::~MeshTest() = default;

void MeshTest::createCamera()
{
    mCamera = mSceneMgr->createCamera("PlayerCam");
    mCamera->setPosition(Ogre::Vector3(6, 6, 6));
    mCamera->lookAt(Ogre::Vector3(0, 3, 0));
    mCamera->setNearClipDistance(0.5);
}

void MeshTest::createScene()
{
    createBodies();
    mSceneMgr->setAmbientLight(Ogre::ColourValue(0.1f, 0.1f, 0.1f, 1));
    mSceneMgr->setShadowTechnique(mSettings.shadows);
    createBodyDrawings();
    if (mSettings.ground) createGroundPlane(mSceneMgr);
    createSunLight(mSceneMgr, Ogre::Vector3(0, -1, -1));
}

SphereBody* MeshTest::addSphere(std::int32_t id, float mass, float radius, const Vector3& position)
{
    SphereBody* body = new SphereBody();
    body->id = id;
    initSphere(body, mass, radius);
    setAtRest(body, position);
    mSimulator->addBody(body);
    return body;
}

Ogre::SceneNode* MeshTest::createModelNode(const std::string& entityName, const std::string& meshName,
                                           bool castShadows)
{
    return ::createModelNode(mSceneMgr, entityName, meshName, castShadows);
}

void MeshTest::refuseStencilShadowCaster(const std::string& fileName, int vertices)
{
    refuseModel("MeshTest", fileName,
                "a model that casts stencil shadows may have at most " + std::to_string(STENCIL_SHADOW_VERTICES) +
                    " vertices; this one has " + std::to_string(vertices));
}

void MeshTest::updateSimulation(const Ogre::FrameEvent& evt)
{
    advanceClock(evt.timeSinceLastFrame, mSettings.timeScale, mSettings.step,
                 [this](float t0, float t1) { mSimulator->simulate(t0, t1); });
    switch (mSettings.poses) {
    case Poses::NODE_LIST: copyDrawnPoses(*mSimulator, mNodes); break;
    case Poses::BODY1: copyDrawnPose(*mSimulator, *mBody1, mBodyNode1); break;
    case Poses::BODY1_THEN_BODY2:
        copyDrawnPose(*mSimulator, *mBody1, mBodyNode1);
        copyDrawnPose(*mSimulator, *mBody2, mBodyNode2);
        break;
    case Poses::BODY2: copyDrawnPose(*mSimulator, *mBody2, mBodyNode2); break;
    }
}
