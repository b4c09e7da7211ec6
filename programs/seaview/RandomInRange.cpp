#include "programs/seaview/RandomInRange.h"

#include <OgreMath.h>

#include <cmath>

#include "programs/seaview/ProgramValues.h"

namespace seaview {

float randomInRange(float min, float max)
{
    // The constants are single-precision literals; the step is evaluated in double.
    const double pi = Ogre::Math::PI;
    randomSeed = float(double(randomSeed) + (pi * double(2.8574f) + double(randomSeed) * double(0.67040503f)));
    if (randomSeed > 1e10) randomSeed = float(double(randomSeed) - 1e10);
    const float sine = std::fabs(Ogre::Math::Sin(Ogre::Radian(randomSeed)));
    return float(double(sine) * (double(max) - double(min)) + double(min));
}

}  // namespace seaview
