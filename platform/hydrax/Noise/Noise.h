#pragma once
// A field of wave heights over the plane, in units of its own (the module that
// uses it scales both the plane and the heights), animated by update.
#include <OgreConfigFile.h>
#include <OgreString.h>
#include <OgreVector.h>

namespace Hydrax {

class GPUNormalMapManager;

namespace Noise {

class Noise {
public:
    // `gpuNormalMaps`: whether the noise can have normal maps made for it.
    Noise(const Ogre::String& name, bool gpuNormalMaps) : mName(name), mGPUNormalMaps(gpuNormalMaps) {}
    virtual ~Noise() = default;

    virtual void create() { mCreated = true; }
    virtual void remove() { mCreated = false; }
    // Advances the animation.
    virtual void update(const Ogre::Real& timeSinceLastFrame) = 0;

    // Height at (x, y), within [-1, 1].
    virtual float getValue(const float& x, const float& y) = 0;
    // The same without the detail finer than `footprint` (the spacing at which
    // the caller samples, in the noise's units), and its gradient when asked.
    virtual float getValue(const float& x, const float& y, const float& footprint, Ogre::Vector2* gradient);

    // Appends the noise's configuration lines; reads them back. A file whose
    // values the noise cannot take is refused: false, the options stay.
    virtual void saveCfg(Ogre::String& data) { (void)data; }
    virtual bool loadCfg(Ogre::ConfigFile& config)
    {
        (void)config;
        return true;
    }

    // Registers the noise's normal maps with the manager; false when the noise
    // has none.
    virtual bool createGPUNormalMapResources(GPUNormalMapManager* manager);

    const Ogre::String& getName() const { return mName; }
    bool isCreated() const { return mCreated; }
    bool areGPUNormalMapResourcesSupported() const { return mGPUNormalMaps; }

protected:
    Ogre::String mName;
    bool mGPUNormalMaps;
    bool mCreated = false;
};

}  // namespace Noise
}  // namespace Hydrax
