#pragma once
// The water of a scene: one surface, drawn by a mesh whose vertices a module
// hands over every update, with a material lit by the layer's own sun.
//
// Road of a program: construct on the scene manager, camera and viewport; set
// a module; load a configuration (".hdx" from the resources); create; then
// every frame optionally place it and update it.
#include <OgreCamera.h>
#include <OgreLight.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreVector.h>
#include <OgreViewport.h>

#include "platform/hydrax/GPUNormalMapManager.h"
#include "platform/hydrax/MaterialManager.h"
#include "platform/hydrax/Mesh.h"

namespace Hydrax {

namespace Module {
class Module;
}

class Hydrax {
public:
    // The sun before setSunPosition and setSunColor: high above, warm white.
    static const Ogre::Vector3 DEFAULT_SUN_POSITION;
    static const Ogre::Vector3 DEFAULT_SUN_COLOR;

    Hydrax(Ogre::SceneManager* sceneManager, Ogre::Camera* camera, Ogre::Viewport* viewport);
    // Removes the water from the scene and deletes the module.
    ~Hydrax();
    Hydrax(const Hydrax&) = delete;
    Hydrax& operator=(const Hydrax&) = delete;

    // Takes over the module; the one before is removed, and deleted when
    // deleteOldModule is set. When the water exists it is built again with the
    // new module.
    void setModule(Module::Module* module, const bool& deleteOldModule = true);
    Module::Module* getModule() const { return mModule; }

    // Reads the layer's keys and then the module's from a configuration file in
    // the resources; false (logged) when the file is missing or the module
    // refuses it.
    bool loadCfg(const Ogre::String& file);

    // Builds the material, the module and the mesh; logged and skipped without
    // a module.
    void create();
    void remove();
    bool isCreated() const { return mCreated; }

    // Updates the module (which hands the mesh its vertices) and the material.
    void update(const Ogre::Real& timeSinceLastFrame);

    // Where the water's frame lies in the world (the mesh is drawn relative to it).
    void setPosition(const Ogre::Vector3& position);
    const Ogre::Vector3& getPosition() const { return mPosition; }

    // How far the surface may stray above its plane, in world units (the water
    // programs pass the height range of their surface; the projected grid widens
    // its reach by it).
    void setPlanesError(const Ogre::Real& planesError);
    Ogre::Real getPlanesError() const { return mPlanesError; }

    // The sun that lights the water (and only the water): a directional light
    // from the sun position towards the water's position, of the sun colour,
    // which is also the colour of the highlights.
    void setSunPosition(const Ogre::Vector3& position);
    const Ogre::Vector3& getSunPosition() const { return mSunPosition; }
    void setSunColor(const Ogre::Vector3& color);
    const Ogre::Vector3& getSunColor() const { return mSunColor; }

    // Height scale set by the module; kept for the modules, not drawn.
    void _setStrength(const Ogre::Real& strength) { mStrength = strength; }
    Ogre::Real getStrength() const { return mStrength; }

    Mesh* getMesh() { return &mMesh; }
    MaterialManager* getMaterialManager() { return &mMaterialManager; }
    GPUNormalMapManager* getGPUNormalMapManager() { return &mGPUNormalMapManager; }
    Ogre::SceneManager* getSceneManager() const { return mSceneManager; }
    Ogre::Camera* getCamera() const { return mCamera; }
    Ogre::Viewport* getViewport() const { return mViewport; }
    Ogre::SceneNode* getSceneNode() const { return mSceneNode; }
    Ogre::Light* getSunLight() const { return mSunLight; }
    // Prefix of the names of this object's Ogre resources ("Hydrax1", ...).
    const Ogre::String& getPrefix() const { return mPrefix; }

private:
    void placeSun();

    Ogre::SceneManager* mSceneManager;
    Ogre::Camera* mCamera;
    Ogre::Viewport* mViewport;
    Ogre::String mPrefix;
    Ogre::SceneNode* mSceneNode = nullptr;
    Module::Module* mModule = nullptr;
    Mesh mMesh;
    MaterialManager mMaterialManager;
    GPUNormalMapManager mGPUNormalMapManager;
    bool mCreated = false;
    Ogre::Vector3 mPosition = Ogre::Vector3::ZERO;
    Ogre::Real mPlanesError = 0;
    Ogre::Real mStrength = 0;
    Ogre::Vector3 mSunPosition;
    Ogre::Vector3 mSunColor;
    // Not in the scene manager, so that it lights nothing but the water.
    Ogre::Light* mSunLight = nullptr;
    Ogre::LightList mSunLights;
};

}  // namespace Hydrax
