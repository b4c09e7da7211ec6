#pragma once
// The entity of a model's manual mesh (an OFF or PLY model, the terrain's coarse
// mesh), drawn with "Examples/Bunny" on a new child of the root node at the
// origin, where the model's own coordinates put it; a pose copy moves it with its
// body.
#include <OgreSceneManager.h>

#include <string>

Ogre::SceneNode* createModelNode(Ogre::SceneManager* sceneMgr, const std::string& entityName,
                                 const std::string& meshName, bool castShadows);
