#pragma once
// The water step in its plain forms, to hold the library's step against: the
// coupling ray by ray (each ray's line worked out on its own, mesh rays walking
// the tree, every sample interpolated, nothing kept from one body or coupling to
// the next and no runs of rays beyond the lattice) and the flow in its portable
// passes. Both are made of the library's own steps (sim/water/WaterCoupling.h,
// the portable passes); what the library adds (the lines it keeps, the mesh rays
// cast together, the samples located once, the four-cell passes) must change no
// bit. The steps themselves are checked against worked values in the water tests.
#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "sim/rigidbody/AbstractSimulator.h"
#include "sim/rigidbody/RigidBody.h"
#include "sim/water/FlowPasses.h"
#include "sim/water/WaterCoupling.h"
#include "sim/water/WaterSimulator.h"

namespace testing_support {
namespace reference {

namespace detail {

namespace coupling = physics::water::coupling;

// The water under a ray, each sample interpolated on its own.
class InterpolatedWater final : public coupling::RayWater {
public:
    InterpolatedWater(const physics::water::WaterSimulator& w, float gx, float gz) : w(w), gx(gx), gz(gz) {}
    float surface() override { return w.interpolate(w.mSurface, gx, gz); }
    float velocityX() override { return w.interpolate(w.mVelocityX, gx, gz); }
    float velocityZ() override { return w.interpolate(w.mVelocityZ, gx, gz); }

private:
    const physics::water::WaterSimulator& w;
    float gx, gz;
};

}  // namespace detail

inline void coupleBodies(physics::water::WaterSimulator& w)
{
    namespace coupling = detail::coupling;
    std::fill(w.mScratch.data, w.mScratch.data + w.mScratch.size(), 0.0f);
    physics::rigidbody::AbstractSimulator& bodies = *w.mRigidBodySimulator;
    for (unsigned b = 0; b < bodies.getNumBodies(); ++b) {
        physics::rigidbody::RigidBody* body = bodies.getBody(b);
        coupling::BodyProbe probe;
        coupling::RayRange range;
        if (!coupling::probeBody(body, w.mSize, probe) || !coupling::rayRange(probe, w.mSize, w.mMaxSurface, range))
            continue;
        for (int k = range.kFirst; k <= range.kLast; ++k)
            for (int i = range.iFirst; i <= range.iLast; ++i) {
                const coupling::RayLine x = coupling::rayLine(i, w.mNx, w.mScratch.width, w.mSize);
                const coupling::RayLine z = coupling::rayLine(k, w.mNz, w.mScratch.height, w.mSize);
                const physics::Ray ray = coupling::latticeRay(x, z);
                physics::Vector3 hits[coupling::maxMeshHits];
                const unsigned count =
                    body->shapeType == physics::rigidbody::SHAPE_TRIANGLE_MESH ? coupling::castMeshRay(probe, ray, hits)
                                                                               : 0;
                detail::InterpolatedWater water(w, x.grid, z.grid);
                coupling::RayPush push;
                if (!coupling::pushOfRay(probe, ray, hits, count, water, push)) continue;
                if (x.node >= 0 && z.node >= 0) w.mScratch(x.node, z.node) = push.column;
                push.applyTo(bodies, body);
            }
    }
    coupling::pushOutDisplacedWater(w);
}

// One whole step: modifiers, the plain coupling when attached, then the flow:
// the library's own step in its portable passes, without bodies or modifiers.
inline void step(physics::water::WaterSimulator& w, float dt)
{
    for (std::size_t i = 0; i < w.mModifiers.size(); ++i) w.mModifiers[i]->apply(dt, &w);
    if (w.mRigidBodySimulator) coupleBodies(w);

    physics::rigidbody::AbstractSimulator* bodies = std::exchange(w.mRigidBodySimulator, nullptr);
    std::vector<physics::water::WaterModifier*> modifiers = std::exchange(w.mModifiers, {});
    const physics::water::flow::Passes passes = std::exchange(w.mPasses, physics::water::flow::Passes::PORTABLE);
    w.step(dt);
    w.mRigidBodySimulator = bodies;
    w.mModifiers = std::move(modifiers);
    w.mPasses = passes;
}

}  // namespace reference
}  // namespace testing_support
