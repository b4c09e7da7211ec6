#include "assets/ModelNode.h"

#include <OgreEntity.h>
#include <OgreSceneNode.h>

Ogre::SceneNode* createModelNode(Ogre::SceneManager* sceneMgr, const std::string& entityName,
                                 const std::string& meshName, bool castShadows)
{
    Ogre::Entity* entity = sceneMgr->createEntity(entityName, meshName);
    entity->setCastShadows(castShadows);
    entity->setMaterialName("Examples/Bunny");
    Ogre::SceneNode* node =
        sceneMgr->getRootSceneNode()->createChildSceneNode(Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY);
    node->attachObject(entity);
    return node;
}
