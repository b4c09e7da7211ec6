// The library's water step against its plain forms (ReferenceWater.h): the same
// grids, the same surface range and the same forces, bit for bit, with the
// four-cell passes and with the portable ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "Bodies.h"
#include "Meshes.h"
#include "RandomRotation.h"
#include "ReferenceWater.h"
#include "WaterChecks.h"
#include "sim/rigidbody/Simulator.h"
#include "sim/water/FlowPasses.h"
#include "sim/water/WaterSimulator.h"

using physics::water::Array2D;
using physics::water::WaterSimulator;
namespace flow = physics::water::flow;
namespace reference = testing_support::reference;
using watertest::same;
using watertest::sameWater;

namespace {

const char* nameOf(flow::Passes passes)
{
    return passes == flow::Passes::FOUR_CELL && flow::fastestPasses() == flow::Passes::FOUR_CELL
               ? "four-cell passes"
               : "portable passes";
}

// Runs the test body with either kind of pass.
template <class Body>
void forEachPassKind(Body body)
{
    for (flow::Passes passes : {flow::Passes::FOUR_CELL, flow::Passes::PORTABLE}) {
        SCOPED_TRACE(nameOf(passes));
        body(passes);
    }
}

struct FlowCase {
    const char* name;
    int n;
    float size, level, dt;
    bool basin;       // the cone basin with shores, else rough random ground
    float velocity;   // random initial face velocities up to this size
    int steps;
};

// A water of the case, disturbed the same way every time it is made.
std::unique_ptr<WaterSimulator> makeWater(const FlowCase& c, flow::Passes passes)
{
    std::mt19937 random(1234 + c.n);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> ground = watertest::basinGround(c.n);
    if (!c.basin)
        for (float& g : ground) g = unit(random) * 2.0f - 1.5f;
    auto w = std::make_unique<WaterSimulator>(ground.data(), c.size, c.level, c.n, passes);
    for (int i = 0; i < 3 * c.n; ++i)
        w->addDepth(int(unit(random) * c.n), int(unit(random) * c.n), unit(random) - 0.2f);
    for (std::size_t i = 0; i < w->mVelocityX.size(); ++i) {
        w->mVelocityX.data[i] = (unit(random) * 2.0f - 1.0f) * c.velocity;
        w->mVelocityZ.data[i] = (unit(random) * 2.0f - 1.0f) * c.velocity;
    }
    return w;
}

}  // namespace

TEST(WaterAgainstReference, FlowStepsMatchBitForBit)
{
    // The programs' grids, small grids whose rows end inside a run of four cells
    // (and grids without interior), fast flows that trace back several cells and
    // past the edges, and a lake with shores that dry and wet.
    const FlowCase cases[] = {
        {"lake 65", 65, 50.0f, 0.0f, 1.0f / 60.0f, true, 0.0f, 150},
        {"fast lake 65", 65, 50.0f, 0.0f, 1.0f / 60.0f, true, 40.0f, 60},
        {"ripples 129", 129, 100.0f, 1.0f, 1.0f / 30.0f, false, 1.0f, 25},
        {"rough 9", 9, 8.0f, 0.5f, 0.5f, false, 3.0f, 200},
        {"rough 10", 10, 9.0f, 0.5f, 0.25f, false, 6.0f, 200},
        {"rough 11", 11, 10.0f, 0.5f, 0.25f, false, 2.0f, 200},
        {"rough 12", 12, 11.0f, 0.5f, 0.25f, false, 2.0f, 200},
        {"rough 6", 6, 5.0f, 0.5f, 0.5f, false, 4.0f, 100},
        {"rough 5", 5, 4.0f, 0.5f, 0.5f, false, 4.0f, 100},
        {"rough 4", 4, 3.0f, 0.5f, 0.5f, false, 4.0f, 100},
        {"rough 3", 3, 2.0f, 0.5f, 0.5f, false, 4.0f, 50},
        {"none 2", 2, 2.0f, 0.5f, 0.5f, false, 4.0f, 5},
    };
    forEachPassKind([&](flow::Passes passes) {
        for (const FlowCase& c : cases) {
            SCOPED_TRACE(c.name);
            auto fast = makeWater(c, passes);
            auto plain = makeWater(c, passes);
            ASSERT_TRUE(sameWater(*fast, *plain));
            for (int i = 0; i < c.steps; ++i) {
                fast->step(c.dt);
                reference::step(*plain, c.dt);
                ASSERT_TRUE(sameWater(*fast, *plain)) << "step " << i;
            }
        }
    });
}

TEST(WaterAgainstReference, ValuesThatAreNotNumbersFlowTheSameWay)
{
    // After a flow has diverged: infinite and undefined velocities and depths are
    // clamped and sampled exactly as the plain step does.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const FlowCase c{"rough 17", 17, 16.0f, 0.5f, 0.25f, false, 2.0f, 0};
    forEachPassKind([&](flow::Passes passes) {
        auto fast = makeWater(c, passes);
        auto plain = makeWater(c, passes);
        for (WaterSimulator* w : {fast.get(), plain.get()}) {
            w->mVelocityX(5, 5) = nan;
            w->mVelocityX(9, 3) = inf;
            w->mVelocityZ(6, 8) = -inf;
            w->mVelocityZ(12, 12) = 1e30f;
            w->mDepth(3, 11) = nan;
            w->mDepth(13, 2) = inf;
        }
        for (int i = 0; i < 6; ++i) {
            fast->step(c.dt);
            reference::step(*plain, c.dt);
            ASSERT_TRUE(sameWater(*fast, *plain)) << "step " << i;
        }
    });
}

TEST(WaterAgainstReference, StillCellsSampleTheirOwnValuesBitForBit)
{
    // Where the water is at rest each cell samples its own place: zeros of
    // either sign, values too small for a normal float and values that are not
    // finite, in runs of still cells and beside moving ones. One advection of
    // each kind, both forms of the pass against each other.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const int n = 19;
    const std::size_t cells = std::size_t(n) * n;
    std::vector<float> vx(cells, 0.0f), vz(cells, 0.0f), surface(cells, 0.0f), ground(cells, 0.0f);
    std::vector<float> depth(cells, 0.5f);
    std::vector<unsigned char> wet(cells, 1);
    auto at = [&](std::vector<float>& grid, int x, int z) -> float& { return grid[std::size_t(x + z * n)]; };
    const float specials[] = {-0.0f, 1e-40f, -1e-42f, inf, -inf, nan, 3.0f};
    for (int k = 0; k < 7; ++k) {
        at(depth, 2 + 2 * k, 3) = specials[k];
        at(vx, 2 + 2 * k, 7) = specials[k];
        at(vz, 1 + 2 * k, 11) = specials[k];
    }
    at(vx, 9, 14) = -0.0f;
    at(vz, 10, 14) = -0.0f;
    at(vx, 15, 15) = 0.5f;  // a moving cell among still ones
    for (flow::Advected what : {flow::Advected::DEPTH, flow::Advected::VELOCITY_X, flow::Advected::VELOCITY_Z}) {
        std::vector<float>& sourceGrid = what == flow::Advected::DEPTH ? depth
                                         : what == flow::Advected::VELOCITY_X ? vx
                                                                              : vz;
        const flow::Sampler source(sourceGrid.data(), n, n - 1, n - 1);
        std::vector<float> scratch[2];
        for (flow::Passes passes : {flow::Passes::FOUR_CELL, flow::Passes::PORTABLE}) {
            std::vector<float>& out = scratch[passes == flow::Passes::FOUR_CELL ? 0 : 1];
            out.assign(cells, 0.0f);
            const flow::Grids g{n,          n,           std::size_t(n), vx.data(), vz.data(), out.data(),
                                surface.data(), ground.data(), depth.data(),   wet.data()};
            flow::advect(passes, g, what, double(0.25f) * 1.0, source);
        }
        for (std::size_t i = 0; i < cells; ++i)
            ASSERT_TRUE(same(scratch[0][i], scratch[1][i]))
                << "advection " << int(what) << ", cell " << i % n << ", " << i / n << ": " << scratch[0][i]
                << " against " << scratch[1][i];
    }
}

namespace {

using physics::Matrix3;
using physics::Vector3;
using physics::rigidbody::AppliedForce;
using physics::rigidbody::RigidBody;

using watertest::same;

bool same(const Vector3& a, const Vector3& b) { return same(a.x, b.x) && same(a.y, b.y) && same(a.z, b.z); }

bool same(const Matrix3& a, const Matrix3& b)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (!same(a[r][c], b[r][c])) return false;
    return true;
}

// Bodies of every shape the water knows, floating, sinking, spinning and
// overhanging the domain's edge, coupled with a lake; built the same way every
// time.
struct CoupledScene {
    std::vector<float> ground;
    WaterSimulator water;
    physics::rigidbody::Simulator<physics::ODERungeKutta> bodies;
    testing_support::BodyStore store;
    testing_support::MeshStore meshes;
    float t = 0.0f;

    // layered adds a stack of 30 floors, whose rays meet more triangles than the
    // coupling keeps.
    CoupledScene(int n, float size, bool layered = false, flow::Passes passes = flow::fastestPasses())
        : ground(watertest::basinGround(n)), water(ground.data(), size, 0.0f, n, passes)
    {
        water.mRigidBodySimulator = &bodies;
        const float edge = size / 2.0f;
        for (int i = 0; i < 6; ++i)
            bodies.addBody(store.sphere(Vector3{float(-6 + 2.5 * i), 0.5f + 0.4f * float(i % 3), float(3 - i)}, 0.5f,
                                        0.2f + 0.1f * float(i % 2)));
        bodies.addBody(store.sphere(Vector3{edge - 0.2f, 0.2f, 0.0f}, 0.6f, 0.3f));  // over the edge
        bodies.addBody(store.box(Vector3{4, 1.0f, -5}, Vector3{1.0f, 0.5f, 1.5f}, 0.4f, Matrix3::makeRotationX(0.3f)));
        bodies.addBody(store.box(Vector3{-edge + 0.3f, 0.5f, 2}, Vector3{0.8f, 0.8f, 0.8f}, 0.3f));
        RigidBody* ball = meshes.body(testing_support::sphereMesh(20, 18, 1.5f, 0.05f), Vector3{8, 1.2f, 6}, true, 2.0f,
                                      Matrix3::makeRotationX(0.7f));
        ball->angularMomentum = Vector3{0.3f, 1.1f, -0.4f};
        bodies.addBody(ball);
        RigidBody* crate = meshes.body(testing_support::boxMesh(Vector3{0.7f, 0.4f, 1.1f}), Vector3{-7, 0.6f, -7},
                                       true, 0.5f);
        crate->angularMomentum = Vector3{0.2f, -0.1f, 0.35f};
        bodies.addBody(crate);
        bodies.addBody(meshes.body(testing_support::boxMesh(Vector3{0.5f, 0.5f, 0.5f}),
                                   Vector3{edge - 0.3f, 0.3f, -edge + 0.2f}, true, 0.3f, Matrix3::makeRotationX(0.5f)));
        if (layered) bodies.addBody(meshes.body(testing_support::stackedFloors(30), Vector3{0, 0, 0}, true, 0.5f));
        RigidBody* anchor = store.sphere(Vector3{-3, -1.5f, -3}, 0.5f);  // static: no force, no displacement
        anchor->inverseMass = 0.0f;
        bodies.addBody(anchor);
        bodies.commitBodies();
    }

    template <class WaterStep>
    void step(WaterStep waterStep)
    {
        const float dt = 1.0f / 60.0f;
        bodies.clearForces();
        if (int(t * 60.0f + 0.5f) % 40 == 0) water.addDepth(20, 30, 0.8f);
        waterStep(water, dt);
        bodies.simulate(t, t + dt);
        t += dt;
    }
};

::testing::AssertionResult sameScene(const CoupledScene& a, const CoupledScene& b)
{
    ::testing::AssertionResult r = sameWater(a.water, b.water);
    if (!r) return r;
    if (a.bodies.mForces.size() != b.bodies.mForces.size())
        return ::testing::AssertionFailure()
               << a.bodies.mForces.size() << " forces against " << b.bodies.mForces.size();
    for (std::size_t i = 0; i < a.bodies.mForces.size(); ++i) {
        const AppliedForce& f = a.bodies.mForces[i];
        const AppliedForce& g = b.bodies.mForces[i];
        const std::size_t bodyA = std::size_t(std::find(a.bodies.mBodies.begin(), a.bodies.mBodies.end(), f.body) -
                                              a.bodies.mBodies.begin());
        const std::size_t bodyB = std::size_t(std::find(b.bodies.mBodies.begin(), b.bodies.mBodies.end(), g.body) -
                                              b.bodies.mBodies.begin());
        if (!same(f.point, g.point) || !same(f.force, g.force) || bodyA != bodyB)
            return ::testing::AssertionFailure() << "force " << i << " differs";
    }
    for (std::size_t i = 0; i < a.bodies.mBodies.size(); ++i) {
        const RigidBody* p = a.bodies.mBodies[i];
        const RigidBody* q = b.bodies.mBodies[i];
        if (!same(p->position, q->position) || !same(p->rotation, q->rotation) ||
            !same(p->linearMomentum, q->linearMomentum) || !same(p->angularMomentum, q->angularMomentum) ||
            !same(p->velocity, q->velocity))
            return ::testing::AssertionFailure() << "body " << i << " differs";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(WaterAgainstReference, CoupledScenesMatchStepByStep)
{
    // The lake of the programs and the finer grid of the ripple test, each with
    // the bodies bobbing, tumbling and pushing water for a few seconds. The
    // coupling is the same with either kind of flow pass, so the portable passes
    // run a shorter while.
    struct SceneCase {
        int n;
        float size;
        int steps;
        bool vector;
    };
    const SceneCase cases[] = {{65, 50.0f, 300, true}, {129, 100.0f, 40, true}, {65, 50.0f, 60, false}};
    for (const SceneCase& c : cases) {
        const flow::Passes passes = c.vector ? flow::Passes::FOUR_CELL : flow::Passes::PORTABLE;
        SCOPED_TRACE(testing::Message() << c.n << ", " << nameOf(passes));
        CoupledScene fast(c.n, c.size, false, passes), plain(c.n, c.size, false, passes);
        std::size_t forces = 0;
        for (int i = 0; i < c.steps; ++i) {
            fast.step([](WaterSimulator& w, float dt) { w.step(dt); });
            plain.step([](WaterSimulator& w, float dt) { reference::step(w, dt); });
            ASSERT_TRUE(sameScene(fast, plain)) << "step " << i;
            forces += fast.bodies.mForces.size();
        }
        EXPECT_GT(forces, std::size_t(60 * c.steps));
    }
}

TEST(WaterAgainstReference, RandomPosesGiveTheSameForces)
{
    // Every movable body put at random places (over the edges too), turns and
    // speeds over the moving lake, and coupled there: spheres, boxes and meshes.
    CoupledScene fast(65, 50.0f, true), plain(65, 50.0f, true);
    std::mt19937 random(77);
    std::uniform_real_distribution<float> lateral(-27.0f, 27.0f), height(-2.5f, 1.5f), speed(-2.0f, 2.0f);
    std::size_t forces = 0;
    for (int pose = 0; pose < 150; ++pose) {
        for (std::size_t b = 0; b < fast.bodies.mBodies.size(); ++b) {
            if (fast.bodies.mBodies[b]->inverseMass == 0.0f) continue;
            const Vector3 position{lateral(random), height(random), lateral(random)};
            Matrix3 rotation = pose % 5 == 0 ? Matrix3::identity() : testing_support::randomRotation(random);
            // Now and then a turn that has collapsed: no world up in body
            // coordinates, or no inverse. The meshes' rays then walk their trees.
            if (pose % 10 == 3)
                for (int c = 0; c < 3; ++c) rotation[1][c] = 0.0f;
            if (pose % 10 == 7)
                for (int r = 0; r < 3; ++r) rotation[r][0] = 0.0f;
            const Vector3 velocity{speed(random), pose % 3 == 0 ? 0.0f : speed(random), speed(random)};
            for (CoupledScene* s : {&fast, &plain}) {
                RigidBody* body = s->bodies.mBodies[b];
                body->position = position;
                body->rotation = rotation;
                body->velocity = velocity;
            }
        }
        fast.bodies.clearForces();
        plain.bodies.clearForces();
        fast.water.step(1.0f / 60.0f);
        reference::step(plain.water, 1.0f / 60.0f);
        ASSERT_TRUE(sameScene(fast, plain)) << "pose " << pose;
        forces += fast.bodies.mForces.size();
    }
    EXPECT_GT(forces, std::size_t(150 * 100));
}

TEST(WaterAgainstReference, BodiesWiderThanTheKeptLinesGiveTheSameForces)
{
    // A plank over seventy thousand ray columns long, and a mesh as long, most of
    // them far beyond the domain: their rays' lines are worked out one ray at a
    // time.
    const int n = 65;
    WaterSimulator fast(nullptr, 50.0f, 1.0f, n), plain(nullptr, 50.0f, 1.0f, n);
    physics::rigidbody::Simulator<physics::ODERungeKutta> bodies;
    testing_support::BodyStore store;
    testing_support::MeshStore meshes;
    bodies.addBody(
        store.box(Vector3{0.3f, 1.0f, 0.2f}, Vector3{14000.0f, 0.5f, 0.3f}, 1.0f, Matrix3::makeRotationX(0.2f)));
    testing_support::MeshData rod = testing_support::boxMesh(Vector3{7000.0f, 0.2f, 0.1f});
    bodies.addBody(meshes.body(rod, Vector3{-1.0f, 0.9f, 3.0f}, true));
    bodies.commitBodies();
    for (WaterSimulator* w : {&fast, &plain}) w->mRigidBodySimulator = &bodies;

    fast.step(1.0f / 60.0f);
    const std::vector<AppliedForce> forces = bodies.mForces;
    bodies.clearForces();
    reference::step(plain, 1.0f / 60.0f);
    ASSERT_TRUE(sameWater(fast, plain));
    ASSERT_EQ(forces.size(), bodies.mForces.size());
    ASSERT_GT(forces.size(), 100u);
    for (std::size_t i = 0; i < forces.size(); ++i)
        ASSERT_TRUE(same(forces[i].point, bodies.mForces[i].point) && same(forces[i].force, bodies.mForces[i].force) &&
                    forces[i].body == bodies.mForces[i].body)
            << "force " << i;
}
