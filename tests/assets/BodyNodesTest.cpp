#include "assets/BodyNodes.h"

#include <OgreEntity.h>

#include <gtest/gtest.h>

#include "assets/CubeMesh.h"
#include "HeadlessOgre.h"

namespace {

using testsupport::HeadlessOgre;

// A stand-in for "sphere.mesh": only its box matters to the node functions.
void defineSphereMesh(const Ogre::AxisAlignedBox& box)
{
    Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
    if (meshes.resourceExists("sphere.mesh")) meshes.remove("sphere.mesh");
    Ogre::MeshPtr mesh = meshes.createManual("sphere.mesh", Ogre::RGN_DEFAULT);
    mesh->_setBounds(box, false);
    mesh->load();
}

Ogre::SceneNode* sphereNode(float radius)
{
    return createSphereNode(HeadlessOgre::sceneManager(), HeadlessOgre::uniqueName("Sphere"),
                            HeadlessOgre::uniqueName("sphere_parent"), radius);
}

TEST(BodyNodes, SphereScaleIsTheRadiusOverTheMeshHalfWidth)
{
    defineSphereMesh(Ogre::AxisAlignedBox(-1, -1, -1, 1, 1, 1));
    for (float radius : {0.5f, 0.3f, 2.0f}) {
        Ogre::SceneNode* node = sphereNode(radius);
        EXPECT_EQ(node->getScale(), Ogre::Vector3(radius)) << radius;
        EXPECT_EQ(node->getPosition(), Ogre::Vector3::ZERO);
    }
}

// Only the x extent counts, and the node starts at minus the box's centre.
TEST(BodyNodes, SphereNodeOfAnOffCentreMesh)
{
    defineSphereMesh(Ogre::AxisAlignedBox(1, 2, 3, 5, 4, 5));
    Ogre::SceneNode* node = sphereNode(1.0f);
    EXPECT_EQ(node->getScale(), Ogre::Vector3(0.5f));
    EXPECT_EQ(node->getPosition(), Ogre::Vector3(-3, -3, -4));
}

TEST(BodyNodes, NodesAreChildrenOfTheRootAndCastShadows)
{
    defineSphereMesh(Ogre::AxisAlignedBox(-1, -1, -1, 1, 1, 1));
    Ogre::SceneNode* node = sphereNode(0.5f);
    EXPECT_EQ(node->getParent(), HeadlessOgre::sceneManager()->getRootSceneNode());
    EXPECT_EQ(node->getOrientation(), Ogre::Quaternion::IDENTITY);
    ASSERT_EQ(node->numAttachedObjects(), 1u);
    EXPECT_TRUE(node->getAttachedObject(0)->getCastShadows());
}

// Whatever the mesh's (padded) box, the drawn box measures 1 along every axis.
TEST(BodyNodes, BoxNodeDrawsAUnitBox)
{
    if (!Ogre::MeshManager::getSingleton().resourceExists("my_cube_mesh")) createCubeMesh();
    Ogre::SceneNode* node = createBoxNode(HeadlessOgre::sceneManager(), HeadlessOgre::uniqueName("Box"),
                                          HeadlessOgre::uniqueName("box_parent"));
    const Ogre::Vector3 extent = node->getAttachedObject(0)->getBoundingBox().getSize();
    EXPECT_EQ(node->getScale().x, node->getScale().y);
    EXPECT_EQ(node->getScale().x, node->getScale().z);
    EXPECT_FLOAT_EQ(node->getScale().x * extent.x, 1.0f);
    EXPECT_EQ(node->getPosition(), Ogre::Vector3::ZERO);
}

}  // namespace
