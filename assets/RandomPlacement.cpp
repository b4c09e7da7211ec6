#include "assets/RandomPlacement.h"

#include <OgreException.h>

#include <string>

#include "platform/CrtRandom.h"

namespace {

// The numerator is rounded to float before the division by 100.
float hundredths(double numerator)
{
    return float(double(float(numerator)) / 100.0);
}

}  // namespace

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

void refusePlacement(const char* what, int index, int count, int attempts)
{
    OGRE_EXCEPT(Ogre::Exception::ERR_INVALID_STATE,
                std::string("no free place for ") + what + " " + std::to_string(index + 1) + " of " +
                    std::to_string(count) + " after " + std::to_string(attempts) + " attempts",
                "placeAtRandom");
}
