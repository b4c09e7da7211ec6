#pragma once
// Scene nodes that draw one body: a sphere of a given radius from "sphere.mesh",
// or a box measuring 1 along each axis from "my_cube_mesh" (createCubeMesh first).
// Both are children of the root node, cast shadows and use "Examples/Rockwall";
// the names must be unique among the scene manager's entities and nodes.
#include <OgreSceneManager.h>

#include <string>

Ogre::SceneNode* createSphereNode(Ogre::SceneManager* sceneMgr, const std::string& entityName,
                                  const std::string& nodeName, float radius);
Ogre::SceneNode* createBoxNode(Ogre::SceneManager* sceneMgr, const std::string& entityName,
                               const std::string& nodeName);
