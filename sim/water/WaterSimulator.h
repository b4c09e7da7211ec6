#pragma once
// Shallow water as a height field on an N x N grid over a square domain centred
// on the origin: depth, ground and surface per cell, velocities on the faces
// between cells (vx[x, z] on the face between cells x - 1 and x, vz[x, z] on the
// face between rows z - 1 and z). Each step traces the water back along the flow,
// updates the depth from the divergence of the faces, accelerates the faces by
// the surface slope and keeps the border dry.
#include <cstdint>
#include <vector>

#include "sim/water/Array2D.h"
#include "sim/water/FlowPasses.h"
#include "sim/water/MeshRayLattice.h"
#include "sim/water/WaterCoupling.h"
#include "sim/water/WaterModifier.h"

namespace physics {
namespace rigidbody {
class AbstractSimulator;
}

namespace water {

class WaterSimulator {
public:
    // A source of random numbers from 0 to 32767, such as platform::crtRand.
    using RandomDraw = int (*)();

    // ground is null (flat ground at 0) or N x N heights in grid order, copied.
    // Cells whose ground lies strictly below level start wet up to level. passes
    // chooses the form of the flow's passes; both give the same bits.
    WaterSimulator(const float* ground, float size, float level, int N,
                   flow::Passes passes = flow::fastestPasses());
    WaterSimulator(const WaterSimulator&) = delete;
    WaterSimulator& operator=(const WaterSimulator&) = delete;

    void step(float dt);

    // Registers a modifier once; the same pointer again (or null) changes nothing.
    void addModifier(WaterModifier* modifier);

    // Adds water to one cell; cells outside the grid are ignored.
    void addDepth(int x, int z, float amount);

    // Adds a square of water of random place, size and height, drawn with the
    // runtime's generator, and tells standard output where.
    void addRandomDrop();
    // The same with the four numbers taken from draw.
    void addRandomDrop(RandomDraw draw);

    // Bilinear sample of grid at a fractional cell position, clamped into the grid.
    float interpolate(const Array2D<float>& grid, float x, float z) const;

    std::int32_t mNx;
    std::int32_t mNz;
    float mLevel;
    float mSize;
    float mGravity;
    float mInvDx;
    Array2D<float> mVelocityX;
    Array2D<float> mVelocityZ;
    Array2D<float> mScratch;
    Array2D<float> mSurface;
    Array2D<float> mGround;
    Array2D<float> mDepth;
    Array2D<unsigned char> mWet;
    Array2D<float> mPreviousDisplacement;
    // Extremes of the interior surface, dry cells counting with their ground.
    float mMinSurface;
    float mMaxSurface;
    // When set, every step exchanges forces and displaced water with its bodies.
    rigidbody::AbstractSimulator* mRigidBodySimulator;
    std::vector<WaterModifier*> mModifiers;

    // The form of the flow's passes; either gives the same bits.
    flow::Passes mPasses;

    // The deepest water whose waves a step of dt carries at their own speed.
    double deepestStableDepth(float dt) const;

private:
    // The coupling's steps: every body, the rays of one body, one ray. The rays
    // sample the water through the surface's sampler, and with it the velocity
    // grids when they are laid out alike.
    struct RayWaterGrids {
        flow::Sampler surface;
        bool alike;
    };
    void coupleBodies();
    void probeRays(const coupling::BodyProbe& probe, const coupling::RayRange& range, const RayWaterGrids& grids);
    void pushRay(const coupling::BodyProbe& probe, std::size_t column, std::size_t row, bool castTogether,
                 const RayWaterGrids& grids);
    void advectDepth(float dt);
    void advectVelocityX(float dt);
    void advectVelocityZ(float dt);
    void copyInterior(const Array2D<float>& source, Array2D<float>& destination);
    void updateDepth(float dt);
    void updateVelocities(float dt);
    void applyBoundary();
    void includeInSurfaceRange(float surface);
    flow::Grids flowGrids();
    flow::Sampler sampler(const Array2D<float>& grid) const;

    // The coupling's working memory, kept from step to step: for the columns, or
    // the rows, of one body's rays their world coordinate, grid coordinate and
    // grid node (-1 where the rays record no column), how many lattice lines each
    // stands for (1 within the lattice and near it), and the rays through mesh
    // bodies.
    struct RayLines {
        std::vector<float> world, grid;
        std::vector<int> node;
        std::vector<double> weight;
        // Lines first..last on a grid of n nodes a side, cells nodes of the
        // scratch grid along that side, over a domain of the given size; with
        // runs, far beyond the lattice's edges only some of them, each for a run.
        void set(int first, int last, int n, int cells, float size, bool runs);

        // The lattice's own lines 0..256 for the grid and domain they were worked
        // out for: the same for every body of every coupling.
        std::vector<float> latticeWorld, latticeGrid;
        std::vector<int> latticeNode;
        int latticeN = -1, latticeCells = -1;
        float latticeSize = 0.0f;
    };
    RayLines mRayColumns, mRayRows;
    MeshRayLattice mMeshRays;
};

}  // namespace water
}  // namespace physics
