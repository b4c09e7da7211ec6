#include "assets/RandomPlacement.h"

#include <OgreException.h>

#include "platform/CrtRandom.h"

float hundredths(double numerator)
{
    return float(double(float(numerator)) / 100.0);
}

physics::Vector3 columnPoint(int rx, int ry, int rz)
{
    return physics::Vector3{hundredths(rx % 100 - 50.0), hundredths(ry % 600 - 300.0 + 500.0),
                            hundredths(rz % 100 - 50.0)};
}

physics::Vector3 drawColumnPoint()
{
    const int rx = platform::crtRand();
    const int ry = platform::crtRand();
    const int rz = platform::crtRand();
    return columnPoint(rx, ry, rz);
}

void refuseRandomPlacement(const std::string& what, unsigned bodyIndex, int attempts)
{
    OGRE_EXCEPT(Ogre::Exception::ERR_INVALID_STATE,
                "the " + what + " (body " + std::to_string(bodyIndex) + ") found no free place in " +
                    std::to_string(attempts) + " attempts",
                "placeEachAtRandom");
}
