#pragma once
// Random rotations, for tests that try many poses.
#include <cmath>
#include <random>

#include "sim/maths/Matrix3.h"

namespace testing_support {

// A rotation drawn uniformly (from a random unit quaternion). With a skew above 0
// each element is then moved by up to skew, which gives a matrix that is not quite
// a rotation.
inline physics::Matrix3 randomRotation(std::mt19937& random, double skew = 0.0)
{
    std::normal_distribution<double> normal;
    double q[4], length = 0;
    for (double& c : q) {
        c = normal(random);
        length += c * c;
    }
    length = std::sqrt(length);
    const double w = q[0] / length, x = q[1] / length, y = q[2] / length, z = q[3] / length;
    const double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                            {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                            {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
    std::uniform_real_distribution<double> noise(-skew, skew);
    physics::Matrix3 m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[i][j] = float(skew > 0.0 ? r[i][j] + noise(random) : r[i][j]);
    return m;
}

}  // namespace testing_support
