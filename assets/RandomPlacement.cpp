#include "assets/RandomPlacement.h"

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
