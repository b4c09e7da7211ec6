#pragma once
// A geometry module: what the water's vertices are. The Hydrax object creates,
// updates and configures its module through these virtual operations; the mesh
// draws what the module hands it.
#include <OgreConfigFile.h>
#include <OgreString.h>
#include <OgreVector.h>

#include "platform/hydrax/MaterialManager.h"
#include "platform/hydrax/Mesh.h"
#include "platform/hydrax/Noise/Noise.h"

namespace Hydrax {
namespace Module {

class Module {
public:
    // The module owns the noise (null for none) from here on.
    Module(const Ogre::String& name, Noise::Noise* noise, const Mesh::Options& meshOptions,
           const MaterialManager::NormalMode& normalMode);
    virtual ~Module();

    // Creates the noise; the module is created from here on.
    virtual void create();
    // Removes the noise; the module is no longer created.
    virtual void remove();
    // Advances the noise.
    virtual void update(const Ogre::Real& timeSinceLastFrame);
    // Appends the noise's configuration lines.
    virtual void saveCfg(Ogre::String& data);
    // Reads the noise's configuration; false when the noise refuses it.
    virtual bool loadCfg(Ogre::ConfigFile& config);
    // Builds the mesh itself and returns true, or leaves it to the Hydrax
    // object's regular grid (false, the base's answer).
    virtual bool _createGeometry(Mesh* mesh);
    // World height of the water at a world x, z; the base has no surface (0).
    virtual float getHeigth(const Ogre::Vector2& position);

    const Ogre::String& getName() const { return mName; }
    Noise::Noise* getNoise() const { return mNoise; }
    const Mesh::Options& getMeshOptions() const { return mMeshOptions; }
    const MaterialManager::NormalMode& getNormalMode() const { return mNormalMode; }
    bool isCreated() const { return mCreated; }

protected:
    Ogre::String mName;
    Noise::Noise* mNoise;
    Mesh::Options mMeshOptions;
    MaterialManager::NormalMode mNormalMode;
    bool mCreated;
};

}  // namespace Module
}  // namespace Hydrax
