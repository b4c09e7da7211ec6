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

// A clock of work that the steps drive: each step costs `cost` seconds.
struct DrivenClock {
    double realTime = 0.0;
    double simTime = -1.0;
    double work = 0.0;
    double cost;
    std::vector<std::pair<float, float>> steps;

    explicit DrivenClock(double stepCost) : cost(stepCost) {}

    FrameSteps frame(float dt)
    {
        return advanceFixedStepClock(
            realTime, simTime, dt, 1.0, H,
            [this](float t0, float t1) {
                steps.emplace_back(t0, t1);
                work += cost;
            },
            [this] { return work; });
    }
};

// While the steps cost less than the time they cover, the limit never bites: an
// uneven run of frames takes the very steps of the unlimited clock.
TEST(FixedStepClockLimit, SimulationThatKeepsUpTakesEveryStep)
{
    Clock plain;
    DrivenClock limited(0.004);
    for (int i = 0; i < 400; ++i) {
        const float dt = i % 50 == 49 ? 0.45f : 0.003f * float(i % 7);
        const int expected = plain.frame(dt);
        const FrameSteps taken = limited.frame(dt);
        ASSERT_EQ(taken.taken, expected) << "frame " << i;
        EXPECT_EQ(taken.dropped, 0.0);
    }
    EXPECT_EQ(limited.steps, plain.steps);
    EXPECT_EQ(limited.simTime, plain.simTime);
}

// Steps of 0.2 s of work each: the third check finds 0.6 s spent, so a frame of
// 10 s takes three steps and leaves the rest out. The clock then ends as after a
// frame that kept up, and the next frames step as usual.
TEST(FixedStepClockLimit, FrameThatPassesTheLimitDropsTheRestOfItsBacklog)
{
    DrivenClock clock(0.2);
    clock.frame(0.0f);
    const FrameSteps heavy = clock.frame(10.0f);
    EXPECT_EQ(heavy.taken, 3);
    EXPECT_LT(clock.simTime, clock.realTime);
    EXPECT_GE(clock.simTime + H, clock.realTime);
    EXPECT_NEAR(heavy.dropped, 10.0 - 3 * H, H);
    // Still on the clock's grid of whole steps from 0.
    EXPECT_NEAR(std::remainder(clock.simTime, H), 0.0, 1e-9);

    const double resumed = clock.simTime;
    const FrameSteps next = clock.frame(0.02f);
    EXPECT_EQ(next.dropped, 0.0);
    EXPECT_TRUE(next.taken == 2 || next.taken == 3) << next.taken;
    EXPECT_EQ(clock.steps.size(), std::size_t(3 + next.taken));
    EXPECT_EQ(clock.steps[3].first, float(resumed));
}

// However long one step takes, every frame that owes steps takes one: a
// simulation slower than real time moves on, slowly, between drawn frames.
TEST(FixedStepClockLimit, EveryFrameTakesAtLeastOneStep)
{
    DrivenClock clock(5.0);
    clock.frame(0.0f);
    for (int i = 0; i < 3; ++i) {
        const FrameSteps steps = clock.frame(5.0f);
        EXPECT_EQ(steps.taken, 1);
        EXPECT_GT(steps.dropped, 4.9);
    }
    EXPECT_EQ(clock.steps.size(), 3u);
}

}  // namespace
