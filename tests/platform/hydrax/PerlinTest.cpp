// The layer's noise: deterministic, bounded, animated, filtered by footprint.
#include "platform/hydrax/Noise/Perlin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "HeadlessOgre.h"
#include "LogCapture.h"
#include "platform/CrtRandom.h"

namespace {

using Hydrax::Noise::Perlin;

std::vector<float> sample(Perlin& noise, float footprint = 0.0f)
{
    std::vector<float> values;
    for (int i = -40; i <= 40; ++i)
        for (int j = -40; j <= 40; ++j)
            values.push_back(noise.getValue(i * 0.37f + 1000.0f * (i % 3), j * 0.29f - 50.0f, footprint, nullptr));
    return values;
}

// The same options give the same heights, now and after the same updates, and
// the programs' random sequence is not touched.
TEST(Perlin, IsDeterministicAndDrawsNoRandomNumbers)
{
    platform::crtSrand(4242);
    const int expected = platform::crtRand();
    platform::crtSrand(4242);
    Perlin a, b;
    a.create();
    b.create();
    EXPECT_EQ(sample(a), sample(b));
    for (int frame = 0; frame < 10; ++frame) {
        a.update(0.016f);
        b.update(0.016f);
    }
    EXPECT_EQ(sample(a), sample(b));
    EXPECT_EQ(platform::crtRand(), expected);
}

TEST(Perlin, StaysWithinItsBoundsAndUsesThem)
{
    Perlin noise;
    noise.create();
    float lowest = 1, highest = -1;
    for (int t = 0; t < 20; ++t, noise.update(0.7f))
        for (float v : sample(noise)) {
            ASSERT_TRUE(std::isfinite(v));
            lowest = std::fmin(lowest, v);
            highest = std::fmax(highest, v);
        }
    EXPECT_GE(lowest, -1.0f);
    EXPECT_LE(highest, 1.0f);
    // Crests and troughs, not a ripple about zero.
    EXPECT_LT(lowest, -0.6f);
    EXPECT_GT(highest, 0.6f);
}

TEST(Perlin, MovesWithTimeAtItsSpeed)
{
    Perlin moving, still(Perlin::Options(6, 0.5f, 0.0f));
    moving.create();
    still.create();
    const std::vector<float> before = sample(moving), stillBefore = sample(still);
    moving.update(0.5f);
    still.update(0.5f);
    const std::vector<float> after = sample(moving);
    int changed = 0;
    for (std::size_t k = 0; k < before.size(); ++k) changed += std::fabs(after[k] - before[k]) > 1e-3f;
    EXPECT_GT(changed, int(before.size()) * 9 / 10);
    EXPECT_EQ(sample(still), stillBefore);
}

// Sampled further apart than an octave's features, the octave is left out: at
// a footprint of more than half the largest features nothing is left.
TEST(Perlin, LeavesOutDetailFinerThanTheFootprint)
{
    Perlin noise;
    noise.create();
    for (float v : sample(noise, 0.6f)) EXPECT_EQ(v, 0.0f);
    // Along a finely sampled line every octave adds about as much variation.
    double fine = 0, coarse = 0;
    for (int k = 1; k < 4000; ++k) {
        const float x0 = (k - 1) * 0.005f, x1 = k * 0.005f;
        fine += std::fabs(noise.getValue(x1, 0.3f, 0.0f, nullptr) - noise.getValue(x0, 0.3f, 0.0f, nullptr));
        coarse += std::fabs(noise.getValue(x1, 0.3f, 0.1f, nullptr) - noise.getValue(x0, 0.3f, 0.1f, nullptr));
    }
    EXPECT_LT(coarse, 0.7 * fine);
}

TEST(Perlin, SlopeAgreesWithTheHeights)
{
    Perlin noise;
    noise.create();
    noise.update(1.3f);
    // The table is bilinear: a step may cross into a cell of another slope.
    const float h = 2e-4f;
    for (float x : {0.1f, 3.7f, -12.2f})
        for (float y : {0.4f, -5.9f}) {
            Ogre::Vector2 slope;
            noise.getValue(x, y, 0.0f, &slope);
            const float dx = (noise.getValue(x + h, y) - noise.getValue(x - h, y)) / (2 * h);
            const float dy = (noise.getValue(x, y + h) - noise.getValue(x, y - h)) / (2 * h);
            EXPECT_NEAR(slope.x, dx, 0.1f * (1 + std::fabs(dx))) << x << ", " << y;
            EXPECT_NEAR(slope.y, dy, 0.1f * (1 + std::fabs(dy))) << x << ", " << y;
        }
}

TEST(Perlin, ConfigurationAndItsLimits)
{
    Perlin noise;
    EXPECT_EQ(noise.getName(), "Perlin");
    Ogre::String text;
    noise.saveCfg(text);
    EXPECT_EQ(text, "PN_Octaves=6\nPN_Falloff=0.5\nPN_Speed=1\n");
    testsupport::LogCapture log;
    for (const Perlin::Options& bad :
         {Perlin::Options(0, 0.5f, 1), Perlin::Options(9, 0.5f, 1), Perlin::Options(4, 0.0f, 1),
          Perlin::Options(4, 1.5f, 1), Perlin::Options(4, 0.5f, -1)})
        EXPECT_FALSE(noise.setOptions(bad));
    EXPECT_EQ(log.countStartingWith("[Hydrax] Perlin noise options refused"), 5);
    EXPECT_EQ(noise.getOptions().Octaves, 6);
    EXPECT_TRUE(noise.setOptions(Perlin::Options(3, 0.7f, 2)));
    EXPECT_EQ(noise.getOptions().Octaves, 3);
    // Uncreated, it has no heights.
    EXPECT_EQ(noise.getValue(1.0f, 2.0f), 0.0f);
}

}  // namespace
