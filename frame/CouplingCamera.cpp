#include "frame/CouplingCamera.h"

#include "frame/PlayerCamera.h"

Ogre::Camera* createCouplingCamera(Ogre::SceneManager* sceneMgr)
{
    return createPlayerCamera(sceneMgr, Ogre::Vector3(-30, 20, -30), Ogre::Vector3(0, 1, 0));
}
