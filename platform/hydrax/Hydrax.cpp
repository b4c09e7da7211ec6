#include "platform/hydrax/Hydrax.h"

#include <OgreStringConverter.h>

#include "platform/hydrax/CfgFileManager.h"
#include "platform/hydrax/Log.h"
#include "platform/hydrax/Module/Module.h"

namespace Hydrax {

namespace {
int instancesMade = 0;
}

const Ogre::Vector3 Hydrax::DEFAULT_SUN_POSITION(0, 10000, 0);
const Ogre::Vector3 Hydrax::DEFAULT_SUN_COLOR(1, 0.9f, 0.6f);

Hydrax::Hydrax(Ogre::SceneManager* sceneManager, Ogre::Camera* camera, Ogre::Viewport* viewport)
    : mSceneManager(sceneManager),
      mCamera(camera),
      mViewport(viewport),
      mPrefix("Hydrax" + Ogre::StringConverter::toString(++instancesMade)),
      mMesh(this),
      mMaterialManager(this),
      mGPUNormalMapManager(this),
      mSunPosition(DEFAULT_SUN_POSITION),
      mSunColor(DEFAULT_SUN_COLOR)
{
    mSceneNode = mSceneManager->getRootSceneNode()->createChildSceneNode(mPrefix + "/Node");
    mSunLight = OGRE_NEW Ogre::Light(mPrefix + "/Sun");
    mSunLight->setType(Ogre::Light::LT_DIRECTIONAL);
    mSunLights.push_back(mSunLight);
    mMesh.setLights(&mSunLights);
    placeSun();
    log("Water layer " + mPrefix + " made.");
}

Hydrax::~Hydrax()
{
    remove();
    delete mModule;
    mMesh.setLights(nullptr);
    OGRE_DELETE mSunLight;
    mSceneManager->destroySceneNode(mSceneNode);
}

void Hydrax::setModule(Module::Module* module, const bool& deleteOldModule)
{
    if (module == mModule) return;
    const bool wasCreated = mCreated;
    remove();
    if (deleteOldModule) delete mModule;
    mModule = module;
    if (mModule) log("Module " + mModule->getName() + " set.");
    if (wasCreated) create();
}

bool Hydrax::loadCfg(const Ogre::String& file)
{
    Ogre::ConfigFile config;
    if (!CfgFileManager::load(file, config)) return false;
    mMaterialManager.loadCfg(config);
    if (mModule && !mModule->loadCfg(config)) {
        log("The module " + mModule->getName() + " did not take the configuration of " + file + ".");
        return false;
    }
    return true;
}

void Hydrax::create()
{
    if (mCreated) return;
    if (!mModule) {
        log("No module set: there is no water to create.");
        return;
    }
    log("Creating the water of " + mPrefix + " with the module " + mModule->getName() + ".");
    mMaterialManager.createMaterials();
    mMesh.setOptions(mModule->getMeshOptions());
    mMesh.setMaterialName(mMaterialManager.getMaterial()->getName());
    mModule->create();
    if (!mModule->_createGeometry(&mMesh)) mMesh.create();
    mCreated = true;
    log("The water of " + mPrefix + " is created.");
}

void Hydrax::remove()
{
    if (!mCreated) return;
    if (mModule) mModule->remove();
    mMesh.remove();
    mMaterialManager.removeMaterials();
    mCreated = false;
}

void Hydrax::update(const Ogre::Real& timeSinceLastFrame)
{
    if (!mCreated) return;
    mModule->update(timeSinceLastFrame);
    mMaterialManager.update();
}

void Hydrax::setPosition(const Ogre::Vector3& position)
{
    mPosition = position;
    mSceneNode->setPosition(position);
    placeSun();
}

void Hydrax::setPlanesError(const Ogre::Real& planesError) { mPlanesError = planesError; }

void Hydrax::setSunPosition(const Ogre::Vector3& position)
{
    mSunPosition = position;
    placeSun();
}

void Hydrax::setSunColor(const Ogre::Vector3& color)
{
    mSunColor = color;
    placeSun();
    mMaterialManager.update();
}

void Hydrax::placeSun()
{
    Ogre::Vector3 direction = mPosition - mSunPosition;
    if (direction.isZeroLength()) direction = Ogre::Vector3::NEGATIVE_UNIT_Y;
    mSunLight->setDirection(direction.normalisedCopy());
    mSunLight->setDiffuseColour(mSunColor.x, mSunColor.y, mSunColor.z);
    // The material's specular colour is the sun's: the highlights take it once.
    mSunLight->setSpecularColour(1, 1, 1);
}

}  // namespace Hydrax
