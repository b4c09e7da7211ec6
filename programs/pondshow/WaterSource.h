#pragma once
// The lake's random drops: a water modifier that, at the start of a water step,
// now and then pours a square of water onto the middle of the lake (cells 24 to
// 40 on both axes), on its wet cells only.
#include <algorithm>
#include <cstdio>

#include "platform/CrtRandom.h"
#include "sim/water/WaterModifier.h"
#include "sim/water/WaterSimulator.h"

namespace pondshow {

class WaterSource : public physics::water::WaterModifier {
public:
    using RandomDraw = physics::water::WaterSimulator::RandomDraw;

    // The draws come from the programs' generator unless a test scripts them.
    explicit WaterSource(RandomDraw draw = platform::crtRand) : mDraw(draw) {}

    // A drop with the probability dt / 2 per step (274 draws in 32768 at 1/60 s):
    // a square of 2 r cells a side from (x - r, y - r), r from 1 to 6, of 0.01 to
    // 1 units of water.
    void apply(float dt, physics::water::WaterSimulator* water) override
    {
        const int r0 = mDraw();
        if (double(dt) * 0.5 * 32767 < r0) return;
        const int x = int(mDraw() / 32767.0 * 16 + 24);
        const int y = int(mDraw() / 32767.0 * 16 + 24);
        int radius = int(mDraw() / 32767.0 * 64 * 0.1);
        std::printf("add random drop at %d / %d\n", x, y);
        std::fflush(stdout);
        float amount = float(mDraw() / 32767.0 + 0.01);
        amount = std::min(std::max(amount, 0.0f), 1.0f);
        if (radius < 1) radius = 1;

        // The wet flags are read with the water's own row stride, and the square
        // is cut to the grid: a grid narrower than the drop's reach loses the rest.
        const physics::water::Array2D<unsigned char>& wet = water->mWet;
        const int iFirst = std::max(x - radius, 0), iLast = std::min(x + radius - 1, wet.width - 1);
        const int jFirst = std::max(y - radius, 0), jLast = std::min(y + radius - 1, wet.height - 1);
        for (int i = iFirst; i <= iLast; ++i)
            for (int j = jFirst; j <= jLast; ++j)
                if (wet(i, j)) water->addDepth(i, j, amount);
    }

private:
    RandomDraw mDraw;
};

}  // namespace pondshow
