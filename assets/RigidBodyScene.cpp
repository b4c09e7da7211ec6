#include "assets/RigidBodyScene.h"

#include <Ogre.h>

using namespace physics;
using namespace physics::rigidbody;

namespace {

struct Wall {
    Vector3 normal;
    float d;
    Vector3 position;
};

// The floor first, then the walls; each position is a point of its plane.
const Wall walls[5] = {
    {{0, 1, 0}, 0, {0, 0, 0}},
    {{1, 0, 0}, 2, {-2, 0, 0}},
    {{-1, 0, 0}, 2, {2, 0, 0}},
    {{0, 0, 1}, 2, {0, 0, -2}},
    {{0, 0, -1}, 2, {0, 0, 2}},
};

void queueWall(RigidBodySimulator& simulator, const Wall& wall, std::int32_t id)
{
    PlaneBody* body = new PlaneBody();
    body->id = id;
    initPlane(body, Plane{wall.normal, wall.d});
    setAtRest(body, wall.position);
    simulator.addBody(body);
}

}  // namespace

void queueEnclosure(RigidBodySimulator& simulator)
{
    for (const Wall& wall : walls) queueWall(simulator, wall, std::int32_t(simulator.getNumBodies()));
}

void queueEnclosure(RigidBodySimulator& simulator, std::int32_t firstId)
{
    for (const Wall& wall : walls) queueWall(simulator, wall, firstId++);
}

void queueFloor(RigidBodySimulator& simulator, std::int32_t id)
{
    queueWall(simulator, walls[0], id);
}

void createGroundPlane(Ogre::SceneManager* sceneMgr)
{
    const Ogre::Plane plane(Ogre::Vector3::UNIT_Y, 0);
    Ogre::MeshManager::getSingleton().createPlane(
        "ground", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME, plane, 1500, 1500, 20, 20, true, 1,
        750, 750, Ogre::Vector3::UNIT_Z, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY,
        Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true, true);
    Ogre::Entity* ground = sceneMgr->createEntity("GroundEntity", "ground");
    sceneMgr->getRootSceneNode()
        ->createChildSceneNode(Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY)
        ->attachObject(ground);
    ground->setMaterialName("Examples/Rockwall");
    ground->setCastShadows(false);
}

void createSunLight(Ogre::SceneManager* sceneMgr, const Ogre::Vector3& direction)
{
    Ogre::Light* sun = sceneMgr->createLight("SunLight");
    sun->setType(Ogre::Light::LT_DIRECTIONAL);
    sun->setDiffuseColour(Ogre::ColourValue(1, 1, 1));
    sun->setSpecularColour(Ogre::ColourValue(1, 1, 1));
    sun->setDirection(direction);
}
