#pragma once
// What a rigid-body program's scene step sets besides its bodies: the ambient
// light, the shadow technique, the sun and the ground under the enclosure.
#include <Ogre.h>

#include <gtest/gtest.h>

namespace testsupport {

struct RigidBodySceneSettings {
    Ogre::ColourValue ambient;
    Ogre::ShadowTechnique shadows;
    Ogre::Vector3 sunDirection;  // as given, not normalised
    bool ground;                 // the plane "ground" drawn as "GroundEntity" where the floor is
};

inline void expectSceneSettings(Ogre::SceneManager* scene, const RigidBodySceneSettings& expected)
{
    EXPECT_EQ(scene->getAmbientLight(), expected.ambient);
    EXPECT_EQ(scene->getShadowTechnique(), expected.shadows);

    ASSERT_TRUE(scene->hasLight("SunLight"));
    const Ogre::Light* sun = scene->getLight("SunLight");
    EXPECT_EQ(sun->getType(), Ogre::Light::LT_DIRECTIONAL);
    EXPECT_EQ(sun->getDirection(), expected.sunDirection);
    EXPECT_EQ(sun->getDiffuseColour(), Ogre::ColourValue(1, 1, 1));
    EXPECT_EQ(sun->getSpecularColour(), Ogre::ColourValue(1, 1, 1));

    ASSERT_EQ(scene->hasEntity("GroundEntity"), expected.ground);
    if (!expected.ground) return;
    const Ogre::Entity* ground = scene->getEntity("GroundEntity");
    EXPECT_EQ(ground->getMesh()->getName(), "ground");
    EXPECT_FALSE(ground->getCastShadows());
    const Ogre::SceneNode* node = ground->getParentSceneNode();
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->getParentSceneNode(), scene->getRootSceneNode());
    EXPECT_EQ(node->getPosition(), Ogre::Vector3::ZERO);
    EXPECT_EQ(node->getOrientation(), Ogre::Quaternion::IDENTITY);
}

// The scenes make the ground's mesh themselves, once per process in a program.
inline void forgetGroundMesh()
{
    Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
    if (meshes.resourceExists("ground")) meshes.remove("ground");
}

}  // namespace testsupport
