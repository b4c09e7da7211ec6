#include "programs/seaview/ProgramValues.h"

namespace seaview {

Hydrax::Hydrax* hydraxInstance = nullptr;

int currentSkyBox = 0;

const Ogre::String skyBoxNames[SKY_BOX_COUNT] = {"Sky/ClubTropicana", "Sky/EarlyMorning", "Sky/Clouds"};

const Ogre::Vector3 sunPositions[SKY_BOX_COUNT] = {
    Ogre::Vector3(0, 10000, 0), Ogre::Vector3(0, 10000, 90000), Ogre::Vector3(0, 10000, 0)};

const Ogre::Vector3 sunColours[SKY_BOX_COUNT] = {
    Ogre::Vector3(1, 0.9f, 0.6f), Ogre::Vector3(1, 0.6f, 0.4f), Ogre::Vector3(0.45f, 0.45f, 0.45f)};

float randomSeed = 801.0f;

}  // namespace seaview
