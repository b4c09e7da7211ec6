// pondshow's random drops with scripted draws: when a step drops, where, how
// wide and how much, and that only wet cells of the grid get water.
#include "programs/pondshow/WaterSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "ScriptedDraws.h"

namespace {

using physics::water::WaterSimulator;

using testsupport::script;
using testsupport::scriptedDraw;

// The draw that gives a cell from 24 to 40: int(r / 32767 x 16 + 24).
int cellDraw(int cell)
{
    return std::min(int((cell - 24) / 16.0 * 32767 + 1), 32767);
}

constexpr float STEP = 0.016666668f;

// The depths after one apply with the scripted draws, and what it printed.
struct Drop {
    std::vector<float> before, after;
    std::string output;
};

Drop apply(WaterSimulator& water, std::deque<int> draws, float dt = STEP)
{
    pondshow::WaterSource source(scriptedDraw);
    script = draws;
    Drop drop;
    drop.before.assign(water.mDepth.data, water.mDepth.data + water.mDepth.size());
    testing::internal::CaptureStdout();
    source.apply(dt, &water);
    drop.output = testing::internal::GetCapturedStdout();
    drop.after.assign(water.mDepth.data, water.mDepth.data + water.mDepth.size());
    EXPECT_TRUE(script.empty()) << script.size() << " draws left";
    return drop;
}

// The cells whose depth changed, as x + z * width.
std::vector<int> changed(const Drop& drop)
{
    std::vector<int> cells;
    for (std::size_t k = 0; k < drop.after.size(); ++k)
        if (drop.after[k] != drop.before[k]) cells.push_back(int(k));
    return cells;
}

std::vector<int> square(int x0, int x1, int z0, int z1, int width)
{
    std::vector<int> cells;
    for (int z = z0; z <= z1; ++z)
        for (int x = x0; x <= x1; ++x) cells.push_back(x + z * width);
    return cells;
}

// dt x 0.5 x 32767 is 273.06 for a step of 1/60 s: 274 of the 32768 draws drop.
TEST(WaterSource, DropsWhenTheDrawIsAtMost273)
{
    WaterSimulator water(nullptr, 50, 10, 65);
    EXPECT_EQ(apply(water, {274}).output, "");
    const Drop drop = apply(water, {273, cellDraw(30), cellDraw(31), 0, 16383});
    EXPECT_EQ(drop.output, "add random drop at 30 / 31\n");
    EXPECT_FALSE(changed(drop).empty());
}

// A radius draw of 0 still makes a 2 x 2 square, from (x - 1, y - 1); the top
// draw makes 12 x 12 from (x - 6, y - 6): not centred on the drop's cell.
TEST(WaterSource, SquareOfTwiceTheRadiusBelowAndLeftOfTheCell)
{
    const struct {
        int radiusDraw, radius;
    } cases[] = {{0, 1}, {5119, 1}, {5120, 1}, {10240, 2}, {32767, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.radiusDraw);
        WaterSimulator water(nullptr, 50, 10, 65);
        const Drop drop = apply(water, {0, cellDraw(30), cellDraw(32), c.radiusDraw, 16383});
        EXPECT_EQ(changed(drop), square(30 - c.radius, 29 + c.radius, 32 - c.radius, 31 + c.radius, 65));
    }
}

// The amount is the fourth draw over 32767 plus 0.01, at most 1.
TEST(WaterSource, AmountFrom0Point01To1)
{
    const struct {
        int draw;
        float amount;
    } cases[] = {{0, 0.01f}, {16383, float(16383 / 32767.0 + 0.01)}, {32440, 1.0f}, {32767, 1.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.draw);
        WaterSimulator water(nullptr, 50, 10, 65);
        const Drop drop = apply(water, {0, cellDraw(24), cellDraw(40), 0, c.draw});
        EXPECT_EQ(drop.output, "add random drop at 24 / 40\n");
        const int cell = 23 + 39 * 65;
        EXPECT_EQ(drop.after[cell], float(double(drop.before[cell]) + c.amount));
    }
}

// Wet flags are read with the water's own row stride: on a grid of 129 whose
// ground rises above the water everywhere but in a few cells of the square,
// exactly those cells get water (a stride of 65 would read other cells' flags).
TEST(WaterSource, OnlyWetCellsOfTheSquareGetWater)
{
    const int n = 129;
    std::vector<float> ground(n * n, 12.0f);
    const std::vector<int> wet = {30 + 30 * n, 33 + 30 * n, 30 + 35 * n, 35 + 35 * n};
    for (int k : wet) ground[k] = 0.0f;
    // Wet cells that a stride of 65 would find for cells of the square.
    for (int k : square(30, 35, 30, 35, 65)) ground[k] = 0.0f;
    WaterSimulator water(ground.data(), 100, 10, n);
    for (int k : square(30, 35, 30, 35, n)) {
        if (std::find(wet.begin(), wet.end(), k) != wet.end()) continue;
        ASSERT_EQ(water.mWet.data[k], 0) << k;
    }
    const Drop drop = apply(water, {0, cellDraw(33), cellDraw(33), 16384, 16383});
    EXPECT_EQ(changed(drop), wet);
}

// A drop on a grid narrower than its reach loses what lies outside the grid.
TEST(WaterSource, SquareCutToASmallGrid)
{
    WaterSimulator water(nullptr, 16, 10, 33);
    const Drop drop = apply(water, {0, cellDraw(30), cellDraw(40), 32767, 16383});
    EXPECT_EQ(drop.output, "add random drop at 30 / 40\n");
    EXPECT_TRUE(changed(drop).empty()) << "rows 34 to 45 lie outside the grid";
    const Drop inside = apply(water, {0, cellDraw(30), cellDraw(30), 32767, 16383});
    EXPECT_EQ(changed(inside), square(24, 32, 24, 32, 33));
}

}  // namespace
