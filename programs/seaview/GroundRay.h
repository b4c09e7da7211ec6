#pragma once
// The ground straight below a point, as seaview's rays find it: a ray down from
// the point through the scene with every query bit set, of which only the first
// result counts, and only when it is the world geometry's.
#include <OgreSceneManager.h>
#include <OgreVector.h>

namespace seaview {

// Sets ground to the world geometry's hit and returns true, or returns false
// when the first result is none or no world fragment. The query is destroyed
// before it returns.
bool groundBelow(Ogre::SceneManager* sceneManager, const Ogre::Vector3& origin, Ogre::Vector3& ground);

}  // namespace seaview
