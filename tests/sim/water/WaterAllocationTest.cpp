// The grids are the only arrays the water allocates. This file routes the test
// binary's array allocations through a counter so that a construction can be
// made to fail at any one of its grids.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "sim/water/WaterSimulator.h"

namespace {

int arraysBeforeFailure = -1;  // below 0: never fail
int liveArrays = 0;

}  // namespace

void* operator new[](std::size_t size)
{
    if (arraysBeforeFailure == 0) throw std::bad_alloc();
    if (arraysBeforeFailure > 0) --arraysBeforeFailure;
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    ++liveArrays;
    return p;
}

void operator delete[](void* p) noexcept
{
    if (!p) return;
    --liveArrays;
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept { operator delete[](p); }

TEST(WaterConstruction, FailedAllocationReleasesTheGridsAlreadyMade)
{
    using physics::water::WaterSimulator;
    const int live = liveArrays;
    for (int made = 0; made < 8; ++made) {
        SCOPED_TRACE(made);
        arraysBeforeFailure = made;
        EXPECT_THROW(WaterSimulator(nullptr, 50.0f, 1.0f, 9), std::bad_alloc);
        arraysBeforeFailure = -1;
        EXPECT_EQ(liveArrays, live);
    }

    arraysBeforeFailure = 8;
    {
        WaterSimulator water(nullptr, 50.0f, 1.0f, 9);
        arraysBeforeFailure = -1;
        EXPECT_EQ(liveArrays, live + 8);
    }
    EXPECT_EQ(liveArrays, live);
}
