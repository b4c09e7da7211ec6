#include "platform/CrtRandom.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> draws(int n)
{
    std::vector<int> out;
    for (int i = 0; i < n; ++i) out.push_back(platform::crtRand());
    return out;
}

// Worked by hand from x = x * 214013 + 2531011 (mod 2^32), value (x >> 16) & 0x7FFF.
// Seed 1: x1 = 214013 + 2531011 = 2745024, >> 16 = 41; x2 = 2745024 * 214013 +
// 2531011 = 587473352323 = 3357800067 mod 2^32, >> 16 = 51235, & 0x7FFF = 18467.
TEST(CrtRandom, SeedOneGivesTheRuntimeSequence)
{
    platform::crtSrand(1);
    EXPECT_EQ(draws(5), (std::vector<int>{41, 18467, 6334, 26500, 19169}));
}

TEST(CrtRandom, SeedOfThePrograms)
{
    platform::crtSrand(27493);
    EXPECT_EQ(draws(5), (std::vector<int>{24283, 11832, 1352, 21969, 13177}));
}

TEST(CrtRandom, ReseedingRestartsAndValuesStayIn15Bits)
{
    platform::crtSrand(12345);
    const std::vector<int> first = draws(1000);
    for (int v : first) {
        EXPECT_GE(v, 0);
        EXPECT_LE(v, platform::CRT_RAND_MAX);
    }
    platform::crtSrand(12345);
    EXPECT_EQ(draws(1000), first);
}

}  // namespace
