// The four-cell passes against the portable ones: the same bits on every grid
// size, whatever the remainder of its rows after the runs of cells the vector
// form works in.
#include "sim/water/FlowPasses.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "WaterChecks.h"
#include "sim/water/WaterSimulator.h"

using physics::water::WaterSimulator;
namespace flow = physics::water::flow;

namespace {

// A layer of water on ground falling towards the origin corner, the far corner
// dry: it runs downhill and spreads.
std::unique_ptr<WaterSimulator> waterOnASlope(int n, flow::Passes passes)
{
    std::vector<float> ground(std::size_t(n) * n);
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x) ground[std::size_t(x) + std::size_t(z) * n] = float(0.02 * (x + 0.7 * z));
    auto w = std::make_unique<WaterSimulator>(ground.data(), float(n - 1), -1.0f, n, passes);
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x)
            if (x + z < n + n / 4) w->addDepth(x, z, 0.3f);
    return w;
}

}  // namespace

TEST(FlowPasses, EveryGridSizeGivesThePortableBits)
{
    for (int n = 3; n <= 144; ++n) {
        SCOPED_TRACE(testing::Message() << "N " << n);
        const float size = float(n - 1), dt = 1.0f / 30.0f;

        // Still water stays exactly at its level in every interior cell.
        WaterSimulator still(nullptr, size, 1.0f, n, flow::Passes::FOUR_CELL);
        WaterSimulator stillPortable(nullptr, size, 1.0f, n, flow::Passes::PORTABLE);
        for (int i = 0; i < 2; ++i) {
            still.step(dt);
            stillPortable.step(dt);
        }
        ASSERT_TRUE(watertest::sameWater(still, stillPortable));
        int moved = 0;
        for (int z = 1; z < n - 1; ++z)
            for (int x = 1; x < n - 1; ++x)
                moved += still.mDepth(x, z) != 1.0f || still.mVelocityX(x, z) != 0.0f || still.mVelocityZ(x, z) != 0.0f;
        ASSERT_EQ(moved, 0);

        auto flowing = waterOnASlope(n, flow::Passes::FOUR_CELL);
        auto flowingPortable = waterOnASlope(n, flow::Passes::PORTABLE);
        for (int i = 0; i < 8; ++i) {
            flowing->step(dt);
            flowingPortable->step(dt);
            ASSERT_TRUE(watertest::sameWater(*flowing, *flowingPortable)) << "step " << i;
        }
        if (n > 3) {  // N = 3 has no face to accelerate
            ASSERT_LT(flowing->mVelocityX(n / 2, n / 2), 0.0f);
        }
    }
}
