#include "assets/RigidBodyScene.h"

#include <OgreEntity.h>

#include <gtest/gtest.h>

#include "HeadlessOgre.h"

namespace {

using namespace physics;
using namespace physics::rigidbody;

// The enclosure is x, z in [-2, 2], y >= 0: every plane holds its own position
// and faces a point inside.
TEST(RigidBodyScene, EnclosurePlanesFaceInwards)
{
    RigidBodySimulator simulator;
    queueEnclosure(simulator);
    simulator.commitBodies();
    ASSERT_EQ(simulator.getNumBodies(), 5u);
    const Vector3 expectedNormals[5] = {{0, 1, 0}, {1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}};
    const Vector3 inside{1.9f, 0.1f, -1.9f};
    for (unsigned i = 0; i < 5; ++i) {
        const PlaneBody* body = static_cast<PlaneBody*>(simulator.getBody(i));
        EXPECT_EQ(body->shapeType, SHAPE_PLANE);
        EXPECT_EQ(body->id, 0);
        EXPECT_EQ(body->inverseMass, 0.0f);
        EXPECT_EQ(body->plane.normal.x, expectedNormals[i].x) << i;
        EXPECT_EQ(body->plane.normal.y, expectedNormals[i].y) << i;
        EXPECT_EQ(body->plane.normal.z, expectedNormals[i].z) << i;
        EXPECT_EQ(Plane::signedDistance(body->plane, body->position), 0.0f) << i;
        EXPECT_GT(Plane::signedDistance(body->plane, inside), 0.0f) << i;
    }
    for (unsigned i = 0; i < 5; ++i) delete static_cast<PlaneBody*>(simulator.getBody(i));
}

TEST(RigidBodyScene, GroundPlaneIsLargeFlatAndCastsNoShadow)
{
    Ogre::SceneManager* scene = testsupport::HeadlessOgre::newSceneManager();
    createGroundPlane(scene);
    Ogre::Entity* ground = scene->getEntity("GroundEntity");
    EXPECT_FALSE(ground->getCastShadows());
    const Ogre::AxisAlignedBox box = ground->getMesh()->getBounds();
    EXPECT_EQ(box.getMinimum().y, box.getMaximum().y);
    const float padded = 1500.0f * (1 + 2 * Ogre::MeshManager::getSingleton().getBoundsPaddingFactor());
    EXPECT_FLOAT_EQ(box.getSize().x, padded);
    EXPECT_FLOAT_EQ(box.getSize().z, padded);
    EXPECT_EQ(box.getCenter(), Ogre::Vector3::ZERO);
}

TEST(RigidBodyScene, SunKeepsItsDirectionAsGiven)
{
    Ogre::SceneManager* scene = testsupport::HeadlessOgre::newSceneManager();
    createSunLight(scene, Ogre::Vector3(0, -1, 1));
    Ogre::Light* sun = scene->getLight("SunLight");
    EXPECT_EQ(sun->getType(), Ogre::Light::LT_DIRECTIONAL);
    EXPECT_EQ(sun->getDirection(), Ogre::Vector3(0, -1, 1));
    EXPECT_EQ(sun->getDiffuseColour(), Ogre::ColourValue::White);
}

}  // namespace
