#include "frame/FixedStepClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr double H = 1.0 / 120.0;

// The clocks of one program and the steps it was asked to take.
struct Clock {
    double realTime = 0.0;
    double simTime = -1.0;
    double timeScale = 1.0;
    std::vector<std::pair<float, float>> steps;

    int frame(float dt)
    {
        return advanceFixedStepClock(realTime, simTime, dt, timeScale, H,
                                     [this](float t0, float t1) { steps.emplace_back(t0, t1); });
    }
};

TEST(FixedStepClock, FirstFrameOnlyStartsTheClock)
{
    Clock clock;
    EXPECT_EQ(clock.frame(0.25f), 0);
    EXPECT_EQ(clock.realTime, double(0.25f));
    EXPECT_EQ(clock.simTime, clock.realTime);
    EXPECT_TRUE(clock.steps.empty());
}

TEST(FixedStepClock, FirstFrameOfZeroLengthCountsAsStarted)
{
    Clock clock;
    EXPECT_EQ(clock.frame(0.0f), 0);
    EXPECT_EQ(clock.simTime, 0.0);
    // 1/120 and 2/120 lie below 0.02, 3/120 does not.
    EXPECT_EQ(clock.frame(0.02f), 2);
    ASSERT_EQ(clock.steps.size(), 2u);
    EXPECT_EQ(clock.steps[0], std::make_pair(0.0f, float(H)));
    EXPECT_EQ(clock.steps[1], std::make_pair(float(H), float(H + H)));
}

TEST(FixedStepClock, ExactlyOneStepBelowRealTimeTakesNoStep)
{
    Clock clock;
    clock.simTime = 0.5;
    clock.realTime = 0.5 + H;
    EXPECT_EQ(clock.frame(0.0f), 0);
    EXPECT_EQ(clock.simTime, 0.5);
}

// The count depends on what the previous frames left over; the clock never falls
// more than one step behind real time, nor runs ahead of it.
TEST(FixedStepClock, HalfSecondFrameTakes59Or60StepsAndCarriesTheRest)
{
    std::vector<int> counts;
    for (float earlier : {0.0f, 0.001f, 0.004f, 0.0079f, 0.016f}) {
        Clock clock;
        clock.frame(0.0f);
        clock.frame(earlier);
        const int steps = clock.frame(0.5f);
        counts.push_back(steps);
        EXPECT_TRUE(steps == 59 || steps == 60) << "earlier frame " << earlier << ": " << steps;
        EXPECT_LT(clock.simTime, clock.realTime);
        EXPECT_LE(clock.realTime - clock.simTime, H);
    }
    EXPECT_NE(std::count(counts.begin(), counts.end(), 59), 0);
    EXPECT_NE(std::count(counts.begin(), counts.end(), 60), 0);
}

TEST(FixedStepClock, FramesShorterThanAStepAccumulate)
{
    Clock clock;
    clock.frame(0.0f);
    int steps = 0;
    for (int i = 0; i < 240; ++i) steps += clock.frame(1.0f / 240);
    EXPECT_NEAR(steps, 120, 1);
}

// Time scale 3 runs the simulation at a third of real time: at 60 frames per
// second, two steps of 1/120 s per three frames.
TEST(FixedStepClock, TimeScaleThreeDividesTheFrameTime)
{
    Clock clock;
    clock.timeScale = 3.0;
    clock.frame(0.3f);
    EXPECT_EQ(clock.realTime, double(0.3f) / 3.0);
    int steps = 0;
    for (int i = 0; i < 300; ++i) steps += clock.frame(1.0f / 60);
    EXPECT_NEAR(steps, 200, 1);
}

// The two ends are rounded to float separately: late in a run they differ by a
// multiple of the float spacing there, not by the step, while the clock itself
// keeps the exact double step.
TEST(FixedStepClock, StepEndsAreRoundedSeparately)
{
    Clock clock;
    clock.simTime = 600.0;
    clock.realTime = 600.0;
    ASSERT_EQ(clock.frame(0.05f), 6);
    const float spacing = std::nextafter(600.0f, 1000.0f) - 600.0f;
    for (const auto& [t0, t1] : clock.steps) {
        const float ratio = (t1 - t0) / spacing;
        EXPECT_EQ(ratio, std::floor(ratio));
    }
    EXPECT_EQ(clock.simTime, 600.0 + H + H + H + H + H + H);
}

}  // namespace
