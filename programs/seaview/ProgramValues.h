#pragma once
// The values that seaview's scene step, its frame listener and its palms share:
// one of each per process.
#include <OgreString.h>
#include <OgreVector.h>

namespace Hydrax {
class Hydrax;
}

namespace seaview {

// Made by the scene step; never deleted.
extern Hydrax::Hydrax* hydraxInstance;

constexpr int SKY_BOX_COUNT = 3;
// Index into the three tables below; the M key cycles it 0, 1, 2, 0, ...
extern int currentSkyBox;
extern const Ogre::String skyBoxNames[SKY_BOX_COUNT];
// Where the sun and the scene's light stand with each sky box.
extern const Ogre::Vector3 sunPositions[SKY_BOX_COUNT];
// The sun's colour, also the light's specular colour.
extern const Ogre::Vector3 sunColours[SKY_BOX_COUNT];

// State of randomInRange, 801 at start: the palms stand at the same places in every run.
extern float randomSeed;

}  // namespace seaview
