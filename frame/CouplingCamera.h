#pragma once
// The camera of the programs on the 50 x 50 terrains: "PlayerCam" above a corner
// of the square, looking at a body floating or falling over its middle, with a far
// clip distance that keeps the whole terrain and the sky in view.
#include <OgreCamera.h>
#include <OgreSceneManager.h>

Ogre::Camera* createCouplingCamera(Ogre::SceneManager* sceneMgr);
