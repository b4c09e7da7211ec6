#pragma once
// The camera "PlayerCam" of the programs over terrain and water: placed and
// aimed, near enough for the bodies, far enough for the sky box.
#include <OgreCamera.h>
#include <OgreSceneManager.h>
#include <OgreVector.h>

Ogre::Camera* createPlayerCamera(Ogre::SceneManager* sceneMgr, const Ogre::Vector3& position,
                                 const Ogre::Vector3& target);
