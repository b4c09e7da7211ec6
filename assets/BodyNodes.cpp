#include "assets/BodyNodes.h"

#include <OgreEntity.h>
#include <OgreSceneNode.h>

namespace {

struct Placed {
    Ogre::Entity* entity;
    Ogre::SceneNode* node;
    Ogre::Vector3 size;
};

// The entity on a new child of the root node, at minus the centre of its box; the
// first pose copy moves it to its body.
Placed place(Ogre::SceneManager* sceneMgr, const std::string& entityName, const std::string& nodeName,
             const std::string& meshName)
{
    Ogre::Entity* entity = sceneMgr->createEntity(entityName, meshName);
    const Ogre::AxisAlignedBox box = entity->getBoundingBox();
    const Ogre::Vector3 size = box.getMaximum() - box.getMinimum();
    const Ogre::Vector3 centre = box.getMinimum() + size / 2;
    entity->setCastShadows(true);
    entity->setMaterialName("Examples/Rockwall");
    Ogre::SceneNode* node =
        sceneMgr->getRootSceneNode()->createChildSceneNode(nodeName, -centre, Ogre::Quaternion::IDENTITY);
    return {entity, node, size};
}

}  // namespace

Ogre::SceneNode* createSphereNode(Ogre::SceneManager* sceneMgr, const std::string& entityName,
                                  const std::string& nodeName, float radius)
{
    Placed p = place(sceneMgr, entityName, nodeName, "sphere.mesh");
    // Only the x extent of the mesh's box counts: the mesh is a sphere.
    const float scale = float(radius / (p.size.x * 0.5));
    p.node->setScale(scale, scale, scale);
    p.node->attachObject(p.entity);
    return p.node;
}

Ogre::SceneNode* createBoxNode(Ogre::SceneManager* sceneMgr, const std::string& entityName,
                               const std::string& nodeName)
{
    Placed p = place(sceneMgr, entityName, nodeName, "my_cube_mesh");
    const Ogre::Vector3 half = p.size / 2;
    p.node->setScale(float(0.5 / half.x), float(0.5 / half.y), float(0.5 / half.z));
    p.node->attachObject(p.entity);
    return p.node;
}
