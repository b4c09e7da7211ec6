#include "frame/PlayerCamera.h"

Ogre::Camera* createPlayerCamera(Ogre::SceneManager* sceneMgr, const Ogre::Vector3& position,
                                 const Ogre::Vector3& target)
{
    Ogre::Camera* camera = sceneMgr->createCamera("PlayerCam");
    camera->setPosition(position);
    camera->lookAt(target);
    camera->setNearClipDistance(0.5);
    camera->setFarClipDistance(FAR_CLIP_DISTANCE);
    return camera;
}
