#pragma once
// Checks shared by the water tests.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

#include "sim/water/WaterSimulator.h"

namespace watertest {

using physics::water::Array2D;
using physics::water::WaterSimulator;

inline std::vector<float> copyOf(const Array2D<float>& g) { return std::vector<float>(g.data, g.data + g.size()); }
inline std::vector<unsigned char> copyOf(const Array2D<unsigned char>& g)
{
    return std::vector<unsigned char>(g.data, g.data + g.size());
}

inline double totalDepth(const WaterSimulator& w)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < w.mDepth.size(); ++i) sum += w.mDepth.data[i];
    return sum;
}

// What must hold after every step: a dry border, depth 0 or above the dry
// threshold with the matching flag, surface = depth + ground, the interior range,
// and no value that is not a number anywhere.
inline ::testing::AssertionResult holdsStepInvariants(const WaterSimulator& w)
{
    const int n = w.mNx;
    float lo = 3.4028235e38f, hi = -3.4028235e38f;
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x) {
            const float d = w.mDepth(x, z), g = w.mGround(x, z), s = w.mSurface(x, z);
            const bool border = x == 0 || z == 0 || x == n - 1 || z == n - 1;
            if (std::isnan(w.mVelocityX(x, z)) || std::isnan(w.mVelocityZ(x, z)) || std::isnan(d))
                return ::testing::AssertionFailure() << "not a number at " << x << ", " << z;
            if (border && (w.mWet(x, z) != 0 || d != 0.0f || s != g))
                return ::testing::AssertionFailure() << "wet border cell " << x << ", " << z;
            if (!border && (d < 0.0f || (d > 0.0f && d <= 0.0001f) || (w.mWet(x, z) != 0) != (d > 0.0f)))
                return ::testing::AssertionFailure() << "depth " << d << " with wet flag " << int(w.mWet(x, z))
                                                     << " at " << x << ", " << z;
            if (s != float(double(d) + g))
                return ::testing::AssertionFailure() << "surface is not depth + ground at " << x << ", " << z;
            if (!border) {
                lo = std::min(lo, s);
                hi = std::max(hi, s);
            }
        }
    if (n >= 3 && (w.mMinSurface != lo || w.mMaxSurface != hi))
        return ::testing::AssertionFailure() << "surface range " << w.mMinSurface << " .. " << w.mMaxSurface
                                             << ", interior holds " << lo << " .. " << hi;
    return ::testing::AssertionSuccess();
}

// Equal bits, or both not a number: which operand's payload a NaN carries is not
// part of the arithmetic rules.
inline bool same(float a, float b)
{
    std::uint32_t x, y;
    std::memcpy(&x, &a, 4);
    std::memcpy(&y, &b, 4);
    return x == y || (std::isnan(a) && std::isnan(b));
}

template <class T>
::testing::AssertionResult sameGrid(const char* name, const Array2D<T>& a, const Array2D<T>& b)
{
    for (int z = 0; z < a.height; ++z)
        for (int x = 0; x < a.width; ++x) {
            const bool equal = [&] {
                if constexpr (std::is_same_v<T, float>) return same(a(x, z), b(x, z));
                else return a(x, z) == b(x, z);
            }();
            if (!equal)
                return ::testing::AssertionFailure()
                       << name << " differs at " << x << ", " << z << ": " << +a(x, z) << " against " << +b(x, z);
        }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult sameWater(const WaterSimulator& a, const WaterSimulator& b)
{
    const std::pair<const char*, const Array2D<float> WaterSimulator::*> grids[] = {
        {"velocity x", &WaterSimulator::mVelocityX}, {"velocity z", &WaterSimulator::mVelocityZ},
        {"scratch", &WaterSimulator::mScratch},      {"surface", &WaterSimulator::mSurface},
        {"ground", &WaterSimulator::mGround},        {"depth", &WaterSimulator::mDepth},
        {"previous displacement", &WaterSimulator::mPreviousDisplacement}};
    for (const auto& [name, grid] : grids) {
        ::testing::AssertionResult r = sameGrid(name, a.*grid, b.*grid);
        if (!r) return r;
    }
    ::testing::AssertionResult r = sameGrid("wet", a.mWet, b.mWet);
    if (!r) return r;
    if (!same(a.mMinSurface, b.mMinSurface) || !same(a.mMaxSurface, b.mMaxSurface))
        return ::testing::AssertionFailure() << "surface range " << a.mMinSurface << " .. " << a.mMaxSurface
                                             << " against " << b.mMinSurface << " .. " << b.mMaxSurface;
    return ::testing::AssertionSuccess();
}

// A square basin: a flat floor at -2 rising in a cone to +1 at the rim, so the
// water at level 0 is a round lake with shores.
inline std::vector<float> basinGround(int n)
{
    std::vector<float> g(std::size_t(n) * n);
    const double c = (n - 1) / 2.0;
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x) {
            const double r = std::sqrt((x - c) * (x - c) + (z - c) * (z - c)) / c;
            g[std::size_t(x) + std::size_t(z) * n] = float(r < 0.5 ? -2.0 : -2.0 + (r - 0.5) * 6.0);
        }
    return g;
}

}  // namespace watertest
