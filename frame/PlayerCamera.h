#pragma once
// The camera "PlayerCam" of the programs over terrain and water: placed and
// aimed, near enough for the bodies, far enough for the sky box.
#include <OgreCamera.h>
#include <OgreSceneManager.h>
#include <OgreVector.h>

// How far the sky boxes stand from the camera, and a far clip distance that
// keeps the whole box in view.
constexpr Ogre::Real SKY_BOX_DISTANCE = 299997;
constexpr Ogre::Real FAR_CLIP_DISTANCE = 2 * SKY_BOX_DISTANCE;

Ogre::Camera* createPlayerCamera(Ogre::SceneManager* sceneMgr, const Ogre::Vector3& position,
                                 const Ogre::Vector3& target);
