#include "sim/water/WaterSimulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/CrtRandom.h"

namespace physics {
namespace water {

namespace {

constexpr float largestFloat = 3.4028235e38f;

}  // namespace

// The grids are members, so a failed allocation releases those already made.
WaterSimulator::WaterSimulator(const float* ground, float size, float level, int N, flow::Passes passes)
    : mNx(N),
      mNz(N),
      mLevel(level),
      mSize(size),
      mGravity(-9.81f),
      mInvDx(float(1.0 / (double(size) / double(N - 1)))),
      mVelocityX(N, N),
      mVelocityZ(N, N),
      mScratch(N, N),
      mSurface(N, N),
      mGround(N, N),
      mDepth(N, N),
      mWet(N, N),
      mPreviousDisplacement(N, N),
      mMinSurface(largestFloat),
      mMaxSurface(-largestFloat),
      mRigidBodySimulator(nullptr),
      mPasses(passes)
{
    const std::size_t cells = mGround.size();
    for (std::size_t i = 0; i < cells; ++i) {
        mGround.data[i] = ground ? ground[i] : 0.0f;
        mVelocityX.data[i] = 0.0f;
        mVelocityZ.data[i] = 0.0f;
        mScratch.data[i] = 0.0f;
        mPreviousDisplacement.data[i] = 0.0f;
        if (level > mGround.data[i]) {
            mWet.data[i] = 1;
            mSurface.data[i] = level;
            mDepth.data[i] = float(double(level) - mGround.data[i]);
        } else {
            mWet.data[i] = 0;
            mDepth.data[i] = 0.0f;
            mSurface.data[i] = mGround.data[i];
        }
    }

    // Readers expect the range of the interior surface before the first step has
    // measured it; a grid without interior keeps the empty range.
    for (int z = 1; z < mNz - 1; ++z)
        for (int x = 1; x < mNx - 1; ++x) includeInSurfaceRange(mSurface(x, z));
}

void WaterSimulator::addModifier(WaterModifier* modifier)
{
    if (!modifier) return;
    if (std::find(mModifiers.begin(), mModifiers.end(), modifier) != mModifiers.end()) return;
    mModifiers.push_back(modifier);
}

void WaterSimulator::step(float dt)
{
    // A modifier may register another one; it runs in this same step.
    for (std::size_t i = 0; i < mModifiers.size(); ++i) mModifiers[i]->apply(dt, this);
    if (mRigidBodySimulator) coupleBodies();
    advectDepth(dt);
    advectVelocityX(dt);
    advectVelocityZ(dt);
    updateDepth(dt);
    updateVelocities(dt);
    applyBoundary();
}

// The passes over the grids live in FlowPasses, in a portable form and a faster
// one with the same results.

flow::Grids WaterSimulator::flowGrids()
{
    return flow::Grids{mNx,           mNz,           std::size_t(mVelocityX.width), mVelocityX.data, mVelocityZ.data,
                       mScratch.data, mSurface.data, mGround.data,                  mDepth.data,     mWet.data};
}

flow::Sampler WaterSimulator::sampler(const Array2D<float>& grid) const
{
    // Bounded by the grid's own size as well, so no grid is ever read outside.
    return flow::Sampler(grid.data, grid.width, std::min(mNx, grid.width) - 1, std::min(mNz, grid.height) - 1);
}

// The advections trace each interior cell back along the velocity at the
// quantity's own place and sample the old grid there. dt / dx is exact in double.

void WaterSimulator::advectDepth(float dt)
{
    flow::advect(mPasses, flowGrids(), flow::Advected::DEPTH, double(dt) * mInvDx, sampler(mDepth));
    copyInterior(mScratch, mDepth);
}

void WaterSimulator::advectVelocityX(float dt)
{
    flow::advect(mPasses, flowGrids(), flow::Advected::VELOCITY_X, double(dt) * mInvDx, sampler(mVelocityX));
    copyInterior(mScratch, mVelocityX);
}

void WaterSimulator::advectVelocityZ(float dt)
{
    flow::advect(mPasses, flowGrids(), flow::Advected::VELOCITY_Z, double(dt) * mInvDx, sampler(mVelocityZ));
    copyInterior(mScratch, mVelocityZ);
}

void WaterSimulator::copyInterior(const Array2D<float>& source, Array2D<float>& destination)
{
    if (mNx < 3) return;
    for (int z = 1; z < mNz - 1; ++z)
        std::memcpy(&destination(1, z), &source(1, z), sizeof(float) * std::size_t(mNx - 2));
}

// A coordinate that is not a number (only after the flow has diverged) counts as 0.
float WaterSimulator::interpolate(const Array2D<float>& grid, float x, float z) const { return sampler(grid)(x, z); }

// The explicit update of depths and faces is stable while a wave crosses at
// most 1 / sqrt(2) of a cell a step: on this staggered grid a wave of speed
// c = sqrt(g h) grows without bound once c dt / dx exceeds it, first as a
// checkerboard, and the water soon is no longer a number (65 cells over 50 units
// at 1/60 s: 112 units deep). Deeper water moves as if it were that deep, so its
// waves keep to the limit; shallower water is not touched.
double WaterSimulator::deepestStableDepth(float dt) const
{
    const double cellsPerStep = double(dt) * mInvDx;
    return 0.5 / (std::fabs(double(mGravity)) * cellsPerStep * cellsPerStep);
}

void WaterSimulator::updateDepth(float dt)
{
    mMinSurface = largestFloat;
    mMaxSurface = -largestFloat;
    flow::updateDepth(mPasses, flowGrids(), dt, mInvDx, deepestStableDepth(dt), mMinSurface, mMaxSurface);
}

void WaterSimulator::includeInSurfaceRange(float surface)
{
    if (surface > mMaxSurface) mMaxSurface = surface;
    if (surface < mMinSurface) mMinSurface = surface;
}

// Only the wet flag of the cell on the higher-index side of a face decides, and
// faces next to the border are left to the advections.
void WaterSimulator::updateVelocities(float dt)
{
    flow::updateVelocities(mPasses, flowGrids(), float(double(mGravity) * dt * mInvDx));
}

void WaterSimulator::applyBoundary()
{
    auto dry = [this](int x, int z) {
        mWet(x, z) = 0;
        mDepth(x, z) = 0.0f;
        mSurface(x, z) = mGround(x, z);
    };
    for (int x = 0; x < mNx; ++x) {
        dry(x, 0);
        dry(x, mNz - 1);
    }
    for (int z = 0; z < mNz; ++z) {
        dry(0, z);
        dry(mNx - 1, z);
    }
}

void WaterSimulator::addDepth(int x, int z, float amount)
{
    if (x < 0 || z < 0 || x >= mNx || z >= mNz) return;
    float depth = float(double(mDepth(x, z)) + amount);
    if (depth > 0.0f) {
        mWet(x, z) = 1;
    } else {
        depth = 0.0f;
        mWet(x, z) = 0;
    }
    mDepth(x, z) = depth;
    mSurface(x, z) = float(double(depth) + mGround(x, z));
}

void WaterSimulator::addRandomDrop() { addRandomDrop(platform::crtRand); }

void WaterSimulator::addRandomDrop(RandomDraw draw)
{
    const int r1 = draw();
    const int x0 = int(r1 / 32767.0 * (mNx - 1));
    const int r2 = draw();
    const int z0 = int(r2 / 32767.0 * (mNz - 1));
    const int r3 = draw();
    int h = int(r3 / 32767.0 * mNx * 0.1);
    std::printf("add random drop at %d / %d\n", x0, z0);
    std::fflush(stdout);
    const int r4 = draw();
    float amount = float(r4 / 32767.0 + 0.01);
    amount = std::min(std::max(amount, 0.0f), 1.0f);
    if (h < 1) h = 1;

    // The square reaches h cells below (x0, z0) and h - 1 above; cells outside
    // the grid are skipped.
    const int iFirst = std::max(x0 - h, 0), iLast = std::min(x0 + h - 1, mNx - 1);
    const int jFirst = std::max(z0 - h, 0), jLast = std::min(z0 + h - 1, mNz - 1);
    for (int i = iFirst; i <= iLast; ++i)
        for (int j = jFirst; j <= jLast; ++j) {
            mDepth(i, j) = float(double(mDepth(i, j)) + amount);
            if (!mWet(i, j)) mWet(i, j) = 1;
            mSurface(i, j) = float(double(mDepth(i, j)) + mGround(i, j));
        }
}

}  // namespace water
}  // namespace physics
