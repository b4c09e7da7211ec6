#include "sim/water/WaterSimulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/CrtRandom.h"

namespace physics {
namespace water {

namespace {

constexpr float largestFloat = 3.4028235e38f;

// At or below this depth a cell counts as dry (compared as a double).
constexpr double dryDepth = 0.0001;

}  // namespace

// The grids are members, so a failed allocation releases those already made.
WaterSimulator::WaterSimulator(const float* ground, float size, float level, int N)
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
      mRigidBodySimulator(nullptr)
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

// The advections trace each interior cell back along the velocity at the
// quantity's own place and sample the old grid there.

void WaterSimulator::advectDepth(float dt)
{
    const Array2D<float>& vx = mVelocityX;
    const Array2D<float>& vz = mVelocityZ;
    for (int z = 1; z < mNz - 1; ++z)
        for (int x = 1; x < mNx - 1; ++x) {
            const float u = float(0.5 * (double(vx(x, z)) + vx(x + 1, z)));
            const float w = float(0.5 * (double(vz(x, z)) + vz(x, z + 1)));
            const float bx = float(double(x) - double(dt) * mInvDx * u);
            const float bz = float(double(z) - double(dt) * mInvDx * w);
            mScratch(x, z) = interpolate(mDepth, bx, bz);
        }
    copyInterior(mScratch, mDepth);
}

void WaterSimulator::advectVelocityX(float dt)
{
    const Array2D<float>& vx = mVelocityX;
    const Array2D<float>& vz = mVelocityZ;
    for (int z = 1; z < mNz - 1; ++z)
        for (int x = 1; x < mNx - 1; ++x) {
            const float u = vx(x, z);
            const float w = float(0.25 * (double(vz(x, z)) + vz(x + 1, z) + vz(x, z + 1) + vz(x + 1, z + 1)));
            const float bx = float(double(x) - double(dt) * mInvDx * u);
            const float bz = float(double(z) - double(dt) * mInvDx * w);
            mScratch(x, z) = interpolate(mVelocityX, bx, bz);
        }
    copyInterior(mScratch, mVelocityX);
}

void WaterSimulator::advectVelocityZ(float dt)
{
    const Array2D<float>& vx = mVelocityX;
    const Array2D<float>& vz = mVelocityZ;
    for (int z = 1; z < mNz - 1; ++z)
        for (int x = 1; x < mNx - 1; ++x) {
            const float u = float(0.25 * (double(vx(x, z)) + vx(x + 1, z) + vx(x, z + 1) + vx(x + 1, z + 1)));
            const float w = vz(x, z);
            const float bx = float(double(x) - double(dt) * mInvDx * u);
            const float bz = float(double(z) - double(dt) * mInvDx * w);
            mScratch(x, z) = interpolate(mVelocityZ, bx, bz);
        }
    copyInterior(mScratch, mVelocityZ);
}

float WaterSimulator::interpolate(const Array2D<float>& grid, float x, float z) const
{
    // Bounded by the grid's own size as well, so no grid is ever read outside.
    const int lastX = std::min(mNx, grid.width) - 1;
    const int lastZ = std::min(mNz, grid.height) - 1;
    if (lastX < 0 || lastZ < 0) return 0.0f;

    // A coordinate that is not a number (only after the flow has diverged) counts as 0.
    if (!(x >= 0.0f)) x = 0.0f;
    if (x > float(lastX)) x = float(lastX);
    if (!(z >= 0.0f)) z = 0.0f;
    if (z > float(lastZ)) z = float(lastZ);

    // Floor and ceiling of coordinates known to be 0 or above, without library calls.
    const int x0 = int(x), x1 = x0 + (float(x0) < x ? 1 : 0);
    const int z0 = int(z), z1 = z0 + (float(z0) < z ? 1 : 0);
    const float fx = float(double(x) - x0);
    const float fz = float(double(z) - z0);

    const float w01 = float((1.0 - fx) * fz);
    const float w00 = float((1.0 - fx) * (1.0 - fz));
    const float w10 = float(fx * (1.0 - fz));
    const float w11 = float(double(fx) * fz);
    return float(double(grid(x0, z1)) * w01 + double(grid(x0, z0)) * w00 + double(grid(x1, z0)) * w10 +
                 double(grid(x1, z1)) * w11);
}

void WaterSimulator::copyInterior(const Array2D<float>& source, Array2D<float>& destination)
{
    for (int z = 1; z < mNz - 1; ++z)
        for (int x = 1; x < mNx - 1; ++x) destination(x, z) = source(x, z);
}

void WaterSimulator::updateDepth(float dt)
{
    mMinSurface = largestFloat;
    mMaxSurface = -largestFloat;
    for (int z = 1; z < mNz - 1; ++z)
        for (int x = 1; x < mNx - 1; ++x) {
            float depth = mDepth(x, z);
            if (depth <= dryDepth) depth = 0.0f;
            const float divergence = float((double(mVelocityX(x + 1, z)) - mVelocityX(x, z)) * mInvDx +
                                           (double(mVelocityZ(x, z + 1)) - mVelocityZ(x, z)) * mInvDx);
            depth = float(depth - divergence * (double(dt) * depth));
            if (depth <= dryDepth) {
                depth = 0.0f;
                mWet(x, z) = 0;
            } else {
                mWet(x, z) = 1;
            }
            mDepth(x, z) = depth;
            mSurface(x, z) = float(double(depth) + mGround(x, z));
            includeInSurfaceRange(mSurface(x, z));
        }
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
    const float k = float(double(mGravity) * dt * mInvDx);
    for (int z = 1; z < mNz - 1; ++z)
        for (int x = 2; x < mNx - 1; ++x) {
            if (mWet(x, z))
                mVelocityX(x, z) =
                    float(mVelocityX(x, z) + (double(mSurface(x, z)) - mSurface(x - 1, z)) * k);
            else
                mVelocityX(x, z) = 0.0f;
        }
    for (int z = 2; z < mNz - 1; ++z)
        for (int x = 1; x < mNx - 1; ++x) {
            if (mWet(x, z))
                mVelocityZ(x, z) =
                    float(mVelocityZ(x, z) + (double(mSurface(x, z)) - mSurface(x, z - 1)) * k);
            else
                mVelocityZ(x, z) = 0.0f;
        }
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
