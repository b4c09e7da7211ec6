#include "programs/seaview/seaview.h"

#include <Bites/OgreBitesConfigDialog.h>

#include "platform/hydrax/Hydrax.h"
#include "platform/hydrax/Module/ProjectedGrid.h"
#include "platform/hydrax/Noise/Perlin.h"
#include "programs/seaview/ExampleHydraxDemoListener.h"
#include "programs/seaview/Palms.h"
#include "programs/seaview/ProgramValues.h"

namespace seaview {

bool SampleApp::configure()
{
    if (mRoot->restoreConfig() || mRoot->showConfigDialog(OgreBites::getNativeConfigDialog())) {
        openWindow("Marrowfield - Rendering Window");
        return true;
    }
    return false;
}

void SampleApp::chooseSceneManager()
{
    mSceneMgr = mRoot->createSceneManager("TerrainSceneManager", Ogre::StringUtil::BLANK);
}

void SampleApp::createScene()
{
    mSceneMgr->setAmbientLight(Ogre::ColourValue(1, 1, 1, 1));
    mSceneMgr->setSkyBox(true, skyBoxNames[currentSkyBox], 299997, true, Ogre::Quaternion::IDENTITY,
                         Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);

    mCamera->setFarClipDistance(599994);
    mCamera->setPosition(Ogre::Vector3(312.902f, 206.419f, 1524.02f));
    mCamera->setOrientation(Ogre::Quaternion(0.998f, -0.0121f, -0.0608f, -0.00074f));

    Ogre::Light* light = mSceneMgr->createLight("Light0");
    light->setPosition(sunPositions[currentSkyBox]);
    light->setDiffuseColour(1, 1, 1);
    light->setSpecularColour(sunColours[currentSkyBox].x, sunColours[currentSkyBox].y, sunColours[currentSkyBox].z);

    hydraxInstance = new Hydrax::Hydrax(mSceneMgr, mCamera, mWindow->getViewport(0));
    Hydrax::Module::ProjectedGrid* module = new Hydrax::Module::ProjectedGrid(
        hydraxInstance, new Hydrax::Noise::Perlin(), Ogre::Plane(Ogre::Vector3(0, 1, 0), Ogre::Vector3(0, 0, 0)),
        Hydrax::MaterialManager::NM_VERTEX,
        Hydrax::Module::ProjectedGrid::Options(264, 35.0f, 50.0f, false, false, true, 3.75f));
    hydraxInstance->setModule(module, true);
    hydraxInstance->loadCfg("HydraxDemo.hdx");
    hydraxInstance->create();

    mSceneMgr->setWorldGeometry("Island.cfg");
    addIslandDepthTechnique(hydraxInstance);
    createPalms(mSceneMgr);

    mRoot->addFrameListener(new ExampleHydraxDemoListener(mWindow, mCamera, mSceneMgr));
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
