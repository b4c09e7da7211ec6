#include "programs/seaview/SeaScene.h"

#include <OgreLight.h>
#include <OgreMaterialManager.h>
#include <OgreTechnique.h>

#include "frame/PlayerCamera.h"
#include "platform/hydrax/Hydrax.h"
#include "platform/hydrax/Module/ProjectedGrid.h"
#include "platform/hydrax/Noise/Perlin.h"
#include "programs/seaview/ProgramValues.h"

namespace seaview {

void showSkyBox(Ogre::SceneManager* sceneManager, int i)
{
    sceneManager->setSkyBox(true, skyBoxNames[i], SKY_BOX_DISTANCE, true, Ogre::Quaternion::IDENTITY,
                            Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
}

void createSkyAndLight(Ogre::SceneManager* sceneManager)
{
    sceneManager->setAmbientLight(Ogre::ColourValue(1, 1, 1, 1));
    showSkyBox(sceneManager, currentSkyBox);
    Ogre::Light* light = sceneManager->createLight("Light0");
    light->setPosition(sunPositions[currentSkyBox]);
    light->setDiffuseColour(1, 1, 1);
    light->setSpecularColour(sunColours[currentSkyBox].x, sunColours[currentSkyBox].y, sunColours[currentSkyBox].z);
}

void placeCamera(Ogre::Camera* camera)
{
    camera->setFarClipDistance(FAR_CLIP_DISTANCE);
    camera->setPosition(Ogre::Vector3(312.902f, 206.419f, 1524.02f));
    camera->setOrientation(Ogre::Quaternion(0.998f, -0.0121f, -0.0608f, -0.00074f));
}

Hydrax::Module::ProjectedGrid* createSeaGrid(Hydrax::Hydrax* hydrax)
{
    return new Hydrax::Module::ProjectedGrid(
        hydrax, new Hydrax::Noise::Perlin(), Ogre::Plane(Ogre::Vector3(0, 1, 0), Ogre::Vector3(0, 0, 0)),
        Hydrax::MaterialManager::NM_VERTEX,
        Hydrax::Module::ProjectedGrid::Options(264, 35.0f, 50.0f, false, false, true, 3.75f));
}

Hydrax::Hydrax* createSea(Ogre::SceneManager* sceneManager, Ogre::Camera* camera, Ogre::Viewport* viewport,
                          bool& configured)
{
    auto* sea = new Hydrax::Hydrax(sceneManager, camera, viewport);
    sea->setModule(createSeaGrid(sea), true);
    configured = sea->loadCfg("HydraxDemo.hdx");
    sea->create();
    return sea;
}

void createIsland(Ogre::SceneManager* sceneManager, Hydrax::Hydrax* sea)
{
    sceneManager->setWorldGeometry("Island.cfg");
    addIslandDepthTechnique(sea);
}

void addIslandDepthTechnique(Hydrax::Hydrax* hydrax)
{
    Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().getByName("Island");
    if (!material)
        OGRE_EXCEPT(Ogre::Exception::ERR_ITEM_NOT_FOUND,
                    "no material \"Island\" to give the water's depth technique", "SampleApp::createScene");
    hydrax->getMaterialManager()->addDepthTechnique(material->createTechnique(), true);
}

}  // namespace seaview
