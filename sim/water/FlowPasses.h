#pragma once
// The passes of one water step over whole grids, in a portable form and, where the
// processor has AVX2, in one that works on four cells at a time. Both evaluate
// every statement in the same order with the same roundings (the vector form uses
// the same IEEE operations lane by lane, in double where the portable one uses
// double), so their results are identical bit for bit. Each call names the form
// it wants; the four-cell form falls back to the portable one where the processor
// or the grid does not allow it.
#include <cstddef>

namespace physics {
namespace water {
namespace flow {

// Clamped bilinear sample of a grid of width columns: the coordinates are clamped
// into [0, lastX] x [0, lastZ] (a coordinate that is not a number counts as 0),
// and the four neighbours are weighted as the water's interpolation defines.
struct Sampler {
    const float* data;
    std::size_t stride;
    float lastX, lastZ;
    bool empty;  // no cell to sample: every sample is 0

    // lastX and lastZ are the last column and row that may be read; either below
    // 0 leaves nothing to sample.
    Sampler(const float* data, int width, int lastX, int lastZ)
        : data(data), stride(std::size_t(width > 0 ? width : 0)), lastX(float(lastX)), lastZ(float(lastZ)),
          empty(lastX < 0 || lastZ < 0)
    {
    }

    // The four neighbours of a sample and their weights.
    struct Point {
        std::size_t i01, i00, i10, i11;
        float w01, w00, w10, w11;
    };

    // Where a sample at (x, z) reads; only for a sampler with cells.
    Point locate(float x, float z) const
    {
        if (!(x >= 0.0f)) x = 0.0f;
        if (x > lastX) x = lastX;
        if (!(z >= 0.0f)) z = 0.0f;
        if (z > lastZ) z = lastZ;

        // Floor and ceiling of coordinates known to be 0 or above, without library calls.
        const int x0 = int(x), x1 = x0 + (float(x0) < x ? 1 : 0);
        const int z0 = int(z), z1 = z0 + (float(z0) < z ? 1 : 0);
        const float fx = float(double(x) - x0);
        const float fz = float(double(z) - z0);

        Point p;
        p.i01 = index(x0, z1);
        p.i00 = index(x0, z0);
        p.i10 = index(x1, z0);
        p.i11 = index(x1, z1);
        p.w01 = float((1.0 - fx) * fz);
        p.w00 = float((1.0 - fx) * (1.0 - fz));
        p.w10 = float(fx * (1.0 - fz));
        p.w11 = float(double(fx) * fz);
        return p;
    }

    // The sample of a grid laid out like this sampler's at a located point.
    static float blend(const float* grid, const Point& p)
    {
        return float(double(grid[p.i01]) * p.w01 + double(grid[p.i00]) * p.w00 + double(grid[p.i10]) * p.w10 +
                     double(grid[p.i11]) * p.w11);
    }

    float operator()(float x, float z) const { return empty ? 0.0f : blend(data, locate(x, z)); }

private:
    std::size_t index(int x, int z) const { return std::size_t(x) + std::size_t(z) * stride; }
};

// The grids of one water step, all of nx x nz cells stored with the same stride.
struct Grids {
    int nx, nz;
    std::size_t stride;
    float* velocityX;
    float* velocityZ;
    float* scratch;
    float* surface;
    const float* ground;
    float* depth;
    unsigned char* wet;
};

enum class Advected { DEPTH, VELOCITY_X, VELOCITY_Z };

enum class Passes { PORTABLE, FOUR_CELL };

// The four-cell passes where this processor has them, else the portable ones.
Passes fastestPasses();

// One advection sweep over the interior into the scratch grid; source samples
// the advected grid. cellsPerTime is dt / dx, exact in double as the product of
// two floats.
void advect(Passes passes, const Grids& g, Advected what, double cellsPerTime, const Sampler& source);

// The depth update over the interior; returns the interior's lowest and highest
// surface in lowest and highest (left unchanged by a grid without interior). A
// column deeper than deepest is changed by the divergence as if it were that deep.
void updateDepth(Passes passes, const Grids& g, float dt, float invDx, double deepest, float& lowest,
                 float& highest);

// The slope acceleration of the faces, k = gravity * dt / dx.
void updateVelocities(Passes passes, const Grids& g, float k);

}  // namespace flow
}  // namespace water
}  // namespace physics
