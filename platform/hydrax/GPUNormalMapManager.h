#pragma once
// Normal maps made for a noise. This layer has no render-to-texture pass: a
// noise that supports normal maps registers here, and the mesh then derives
// the normals of position-only grids from the grid itself.
#include <OgreString.h>

namespace Hydrax {

class Hydrax;

class GPUNormalMapManager {
public:
    explicit GPUNormalMapManager(Hydrax* hydrax) : mHydrax(hydrax) {}

    // Registers the noise that asks for normal maps.
    void create(const Ogre::String& noiseName)
    {
        mNoiseName = noiseName;
        mCreated = true;
    }
    void remove()
    {
        mNoiseName.clear();
        mCreated = false;
    }
    bool isCreated() const { return mCreated; }
    const Ogre::String& getNoiseName() const { return mNoiseName; }
    Hydrax* getHydrax() const { return mHydrax; }

private:
    Hydrax* mHydrax;
    Ogre::String mNoiseName;
    bool mCreated = false;
};

}  // namespace Hydrax
