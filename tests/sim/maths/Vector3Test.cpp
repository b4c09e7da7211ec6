#include "sim/maths/Vector3.h"

#include <gtest/gtest.h>

using physics::Vector3;

TEST(Vector3, Placeholder) { EXPECT_EQ(Vector3::zero().x, 0.0f); }
