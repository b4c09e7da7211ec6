#include "frame/CouplingCamera.h"

Ogre::Camera* createCouplingCamera(Ogre::SceneManager* sceneMgr)
{
    Ogre::Camera* camera = sceneMgr->createCamera("PlayerCam");
    camera->setPosition(Ogre::Vector3(-30, 20, -30));
    camera->lookAt(Ogre::Vector3(0, 1, 0));
    camera->setNearClipDistance(0.5);
    camera->setFarClipDistance(599994);
    return camera;
}
