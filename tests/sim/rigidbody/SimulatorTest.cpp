#include "sim/rigidbody/Simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Bodies.h"
#include "Meshes.h"

using namespace physics;
using namespace physics::rigidbody;
using testing_support::BodyStore;

namespace {

using Sim = Simulator<ODERungeKutta>;
const float kStep = 1.0f / 60.0f;

TEST(RungeKutta, ClassicalResultForExponentialGrowth)
{
    ODERungeKutta rk;
    rk.resize(1);
    const float x0 = 1.0f;
    float x1 = 0.0f;
    auto f = [](float, float* x, float* xdot, void*) { xdot[0] = x[0]; };
    rk.integrate(&x0, &x1, 0.0f, 0.1f, f, nullptr);
    EXPECT_NEAR(x1, 1.1051708f, 1e-7f);
}

TEST(Simulator, EmptySimulatorOnlyCountsSteps)
{
    Sim sim;
    BodyStore store;
    SphereBody* pending = store.sphere(Vector3{0, 1, 0}, 0.5f);
    sim.addBody(pending);
    sim.simulate(0.0f, kStep);
    sim.simulate(kStep, 2 * kStep);
    EXPECT_EQ(sim.mStepCount, 2);
    EXPECT_EQ(sim.getNumBodies(), 0u);
    EXPECT_EQ(pending->position.y, 1.0f);
    EXPECT_EQ(pending->linearMomentum.y, 0.0f);
}

TEST(Simulator, BodyAtRestGainsMomentumBeforeItMoves)
{
    Sim sim;
    BodyStore store;
    SphereBody* s = store.sphere(Vector3{0, 5, 0}, 0.5f, 5.0f);
    sim.addBody(s);
    sim.commitBodies();

    sim.simulate(0.0f, kStep);
    // Gravity with 9.81 as a double: for mass 5 the float constant would differ.
    const double g = float(5.0f * -9.81);
    ASSERT_NE(float(g), 5.0f * -9.81f);
    const double h = kStep;
    EXPECT_EQ(s->linearMomentum.y, float(0.0 + h / 6.0 * ((g + g) * 2.0 + g + g)));
    EXPECT_FLOAT_EQ(s->linearMomentum.y, -5.0f * 9.81f / 60.0f);
    EXPECT_EQ(s->position.y, 5.0f) << "the step uses the velocity at its start";
    EXPECT_EQ(s->velocity.y, s->linearMomentum.y * s->inverseMass);

    const float v = s->velocity.y;
    sim.simulate(kStep, 2 * kStep);
    EXPECT_FLOAT_EQ(s->position.y, 5.0f + kStep * v);
}

TEST(Simulator, AppliedForcesActAtTheCentreUntilCleared)
{
    Sim sim;
    BodyStore store;
    BoxBody* box = store.box(Vector3{0, 0, 0}, Vector3{1, 1, 1}, 1.0f);
    SphereBody* outsider = store.sphere(Vector3{9, 9, 9}, 1.0f);
    sim.addBody(box);
    sim.commitBodies();

    // Away from the centre of mass, yet no torque; gravity cancelled.
    sim.addForce(Vector3{0.5f, 0.5f, 0.5f}, Vector3{3.0f, 9.81f, 0.0f}, box);
    sim.addForce(Vector3::zero(), Vector3{100.0f, 0, 0}, outsider);
    sim.simulate(0.0f, kStep);
    EXPECT_FLOAT_EQ(box->linearMomentum.x, 3.0f * kStep);
    EXPECT_NEAR(box->linearMomentum.y, 0.0f, 1e-6f);
    EXPECT_EQ(box->angularMomentum.x, 0.0f);
    EXPECT_EQ(box->angularMomentum.y, 0.0f);
    EXPECT_EQ(box->angularMomentum.z, 0.0f);
    EXPECT_EQ(box->torque.z, 0.0f);
    EXPECT_EQ(outsider->linearMomentum.x, 0.0f);

    sim.simulate(kStep, 2 * kStep);  // still applied
    EXPECT_FLOAT_EQ(box->linearMomentum.x, 6.0f * kStep);
    sim.clearForces();
    EXPECT_TRUE(sim.mForces.empty());
    sim.simulate(2 * kStep, 3 * kStep);
    EXPECT_FLOAT_EQ(box->linearMomentum.x, 6.0f * kStep);
}

// The step sums all bodies' forces in one pass; each body must still get the sum
// of its own forces in list order (these values round differently in any other
// order), runs of one body or interleaved, and forces on other bodies stay out.
TEST(Simulator, ForcesOfAllBodiesMatchEachBodysOwnSum)
{
    BodyStore store;
    BoxBody* box = store.box(Vector3{0, 0, 0}, Vector3{1, 1, 1}, 2.0f);
    SphereBody* ball = store.sphere(Vector3{3, 0, 0}, 0.5f, 0.3f);
    SphereBody* outsider = store.sphere(Vector3{9, 9, 9}, 1.0f);
    const std::vector<RigidBody*> bodies{box, ball};
    std::vector<RigidBody*> byAddress = bodies;
    std::sort(byAddress.begin(), byAddress.end());

    const Vector3 big{1e8f, -3e7f, 0.1f}, small{1.0f, 0.7f, 1e-9f};
    const std::vector<AppliedForce> forces{
        {Vector3::zero(), big, box},       {Vector3::zero(), small, ball},    {Vector3::zero(), small, box},
        {Vector3::zero(), small, box},     {Vector3::zero(), big * -1.0f, box}, {Vector3::zero(), big, outsider},
        {Vector3::zero(), big, ball},      {Vector3::zero(), small, ball},    {Vector3::zero(), big * -1.0f, ball}};

    std::vector<Vector3> expected;
    for (RigidBody* b : bodies) {
        computeForceAndTorque(b, forces);
        expected.push_back(b->force);
        b->force = Vector3{5, 5, 5};
        b->torque = Vector3{5, 5, 5};
    }
    outsider->force = Vector3{7, 7, 7};
    computeForcesAndTorques(byAddress, forces);
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        EXPECT_EQ(bodies[i]->force.x, expected[i].x) << i;
        EXPECT_EQ(bodies[i]->force.y, expected[i].y) << i;
        EXPECT_EQ(bodies[i]->force.z, expected[i].z) << i;
        EXPECT_EQ(squaredLength(bodies[i]->torque), 0.0f);
    }
    EXPECT_EQ(outsider->force.x, 7.0f);
    EXPECT_NE(expected[0].x, 2.0f) << "the forces must round differently in another order";
}

TEST(Simulator, StaticPlaneNeverMoves)
{
    Sim sim;
    BodyStore store;
    PlaneBody* floor = store.plane(Vector3{0, 1, 0}, 0.0f);
    sim.addBody(floor);
    sim.commitBodies();
    for (int i = 0; i < 10; ++i) sim.simulate(i * kStep, (i + 1) * kStep);
    EXPECT_LT(floor->linearMomentum.y, -1.0f);  // gravity still reaches its momentum
    EXPECT_EQ(floor->velocity.y, 0.0f);
    EXPECT_EQ(floor->angularVelocity.x, 0.0f);
    EXPECT_EQ(floor->position.y, -7.0f);
}

TEST(Simulator, RotationsAreOrthonormalisedAndInertiaFollows)
{
    Sim sim;
    BodyStore store;
    Matrix3 skewed = Matrix3::makeRotationX(0.4f);
    skewed[0][0] = 1.01f;
    skewed[2][1] += 0.02f;
    BoxBody* box = store.box(Vector3::zero(), Vector3{1, 2, 3}, 3.0f, skewed);
    box->angularMomentum = Vector3{0.3f, -0.2f, 0.5f};
    sim.addBody(box);
    sim.commitBodies();
    sim.simulate(0.0f, kStep);

    const Matrix3& r = box->rotation;
    for (int i = 0; i < 3; ++i) {
        const Vector3 row{r[i][0], r[i][1], r[i][2]};
        EXPECT_NEAR(squaredLength(row), 1.0f, 1e-3f) << "row " << i;  // nearly: the step itself skews it
    }
    Matrix3 w = r;
    w *= box->inverseInertia;
    w *= Matrix3::transpose(r);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(box->worldInverseInertia[i][j], w[i][j]);
    const Vector3 av = box->worldInverseInertia * box->angularMomentum;
    EXPECT_EQ(box->angularVelocity.x, av.x);
}

TEST(Simulator, SecondCommitAppendsAfterExistingBodies)
{
    Sim sim;
    BodyStore store;
    SphereBody* a = store.sphere(Vector3{0, 0, 0}, 1);
    SphereBody* b = store.sphere(Vector3{5, 0, 0}, 1);
    SphereBody* c = store.sphere(Vector3{10, 0, 0}, 1);
    sim.addBody(a);
    sim.addBody(b);
    sim.commitBodies();
    sim.simulate(0.0f, kStep);
    sim.addBody(c);
    EXPECT_EQ(sim.getNumBodies(), 2u);
    sim.commitBodies();
    ASSERT_EQ(sim.getNumBodies(), 3u);
    EXPECT_EQ(sim.getBody(0), a);
    EXPECT_EQ(sim.getBody(1), b);
    EXPECT_EQ(sim.getBody(2), c);
    EXPECT_TRUE(sim.mPendingBodies.empty());
    sim.simulate(kStep, 2 * kStep);
    EXPECT_LT(c->linearMomentum.y, 0.0f);
}

TEST(SimulatorDeathTest, IndexOutOfRangeEndsTheProcess)
{
    Sim sim;
    BodyStore store;
    sim.addBody(store.sphere(Vector3::zero(), 1));
    sim.commitBodies();
    EXPECT_DEATH(sim.getBody(1), "body index 1 out of range");
    EXPECT_DEATH(sim.getContact(0), "contact index 0 out of range");
}

struct Recorder : StepListener {
    std::vector<std::string>* log;
    std::string name;
    void preStep(AbstractSimulator*, int count, float, float) override
    {
        log->push_back(name + ":pre" + std::to_string(count));
    }
    void afterCollision(AbstractSimulator*) override { log->push_back(name + ":collision"); }
    void postStep(AbstractSimulator*) override { log->push_back(name + ":post"); }
};

TEST(Simulator, NotifiesNonNullListenersInOrder)
{
    Sim sim;
    std::vector<std::string> log;
    Recorder first, second;
    first.log = second.log = &log;
    first.name = "1";
    second.name = "2";
    sim.mListeners = {&first, nullptr, &second};
    sim.simulate(0.0f, kStep);
    EXPECT_EQ(log, (std::vector<std::string>{"1:pre1", "2:pre1", "1:collision", "2:collision", "1:post", "2:post"}));
}

}  // namespace

namespace {

// The four stages with their rounding: h a float, h * 0.5 and h / 6
// in double, every stored stage value a float.
TEST(RungeKutta, StagesRoundWhereStored)
{
    constexpr int n = 300;
    ODERungeKutta rk;
    rk.resize(n);
    std::vector<float> x0(n), x1(n);
    for (int i = 0; i < n; ++i) x0[i] = 1.0f - 0.0173f * i;
    const float t0 = 0.1f, t1 = 0.75f;  // a long step, h / 6 not a float: every rounding shows
    std::vector<float> times;
    auto f = [](float t, float* x, float* xdot, void* u) {
        static_cast<std::vector<float>*>(u)->push_back(t);
        for (int i = 0; i < n; ++i) xdot[i] = x[i] * (1.5f + 0.01f * i) - 0.25f * t;
    };
    rk.integrate(x0.data(), x1.data(), t0, t1, f, &times);

    const float h = t1 - t0;
    const double half = h * 0.5;
    EXPECT_EQ(times, (std::vector<float>{t0, float(t0 + half), float(t0 + half), float(t0 + double(h))}));
    for (int i = 0; i < n; ++i) {
        const auto d = [i](float t, float x) { return x * (1.5f + 0.01f * i) - 0.25f * t; };
        const float k1 = d(t0, x0[i]);
        const float k2 = d(float(t0 + half), float(x0[i] + k1 * half));
        const float k3 = d(float(t0 + half), float(x0[i] + k2 * half));
        const float k4 = d(float(t0 + double(h)), float(x0[i] + double(k3) * h));
        ASSERT_EQ(x1[i], float(x0[i] + h / 6.0 * ((double(k2) + k3) * 2.0 + k1 + k4))) << i;
    }
    EXPECT_EQ(x0[0], 1.0f) << "x0 is only read";
}

// dxdt reads the bodies, never the stage states: all four stages see the
// derivative at t0, so the rotation moves by exactly h times star(w) * R.
TEST(Simulator, EveryStageSeesTheDerivativeAtTheStart)
{
    Sim sim;
    BodyStore store;
    BoxBody* box = store.box(Vector3{0, 2, 0}, Vector3{1, 2, 3}, 2.0f, Matrix3::makeRotationX(0.5f));
    box->angularMomentum = Vector3{0.8f, -1.3f, 2.1f};
    box->angularVelocity = Vector3{3.0f, -2.0f, 5.0f};  // as the application left it
    box->velocity = Vector3{0.5f, 0.0f, -0.25f};
    sim.addBody(box);
    sim.commitBodies();
    const float t0 = 0.25f, t1 = t0 + kStep;
    sim.simulate(t0, t1);

    const float* s0 = sim.mState.get();  // the state handed to the integrator
    const Vector3 w{3.0f, -2.0f, 5.0f};
    Matrix3 r0;
    for (int i = 0; i < 9; ++i) r0.m[i / 3][i % 3] = s0[3 + i];
    Matrix3 f{{{0.0f, -w.z, w.y}, {w.z, 0.0f, -w.x}, {-w.y, w.x, 0.0f}}};
    f *= r0;
    const float h = t1 - t0;
    const auto step = [h](float x, float d) { return float(x + h / 6.0 * ((double(d) + d) * 2.0 + d + d)); };
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(box->rotation[r][c], step(r0[r][c], f[r][c])) << r << c;
    EXPECT_EQ(box->position.x, step(0.0f, 0.5f));
    EXPECT_EQ(box->position.z, step(0.0f, -0.25f));
}

// Classical Gram-Schmidt on the rows: the third row's two projections are both
// taken from the row as it was, with Vector3 rounding at every node.
TEST(Simulator, RotationRowsAreOrthonormalisedByClassicalGramSchmidt)
{
    BodyStore store;
    Matrix3 skewed{{{0.9f, 0.31f, -0.2f}, {0.45f, 1.1f, 0.27f}, {-0.33f, 0.38f, 0.95f}}};
    BoxBody* box = store.box(Vector3::zero(), Vector3{1, 1, 1}, 1.0f, skewed);
    orthonormaliseRotation(box);

    const auto length = [](const Vector3& v) { return float(std::sqrt(double(squaredLength(v)))); };
    const Vector3 r0{skewed[0][0], skewed[0][1], skewed[0][2]}, r1{skewed[1][0], skewed[1][1], skewed[1][2]},
        r2{skewed[2][0], skewed[2][1], skewed[2][2]};
    const Vector3 e0 = r0 / length(r0);
    Vector3 e1 = r1 - e0 * dotProduct(e0, r1);
    e1 = e1 / length(e1);
    const Vector3 partial = r2 - e0 * dotProduct(e0, r2);
    Vector3 e2 = partial - e1 * dotProduct(e1, r2);
    const Vector3 modified = partial - e1 * dotProduct(e1, partial);
    ASSERT_NE(e2.x, modified.x) << "the case must tell classical from modified Gram-Schmidt";
    e2 = e2 / length(e2);

    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(box->rotation[0][c], e0[c]);
        EXPECT_EQ(box->rotation[1][c], e1[c]);
        EXPECT_EQ(box->rotation[2][c], e2[c]);
    }
}

TEST(Simulator, StateHandedToTheIntegratorIsOrthonormal)
{
    Sim sim;
    BodyStore store;
    Matrix3 skewed = Matrix3::makeRotationX(0.4f);
    skewed[0][1] = 0.05f;
    skewed[2][2] *= 1.1f;
    BoxBody* box = store.box(Vector3::zero(), Vector3{1, 2, 3}, 3.0f, skewed);
    box->angularVelocity = Vector3{1.0f, 2.0f, -1.5f};
    sim.addBody(box);
    sim.addBody(store.sphere(Vector3{5, 0, 0}, 1.0f));
    sim.commitBodies();
    for (int step = 0; step < 3; ++step) {
        sim.simulate(step * kStep, (step + 1) * kStep);
        const float* s = sim.mState.get();
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                double dot = 0.0;
                for (int k = 0; k < 3; ++k) dot += double(s[3 + 3 * i + k]) * s[3 + 3 * j + k];
                EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-6) << "step " << step << " rows " << i << j;
            }
    }
}


// Two bodies that cannot move may touch (a static mesh dipping below a static
// floor, overlapping static meshes, a box without inverse mass on the floor):
// they must stay where they are and keep carrying what rests on them.
TEST(Simulator, TouchingStaticBodiesStayPutAndCarryTheirLoad)
{
    enum Pair { MESH_BELOW_FLOOR, OVERLAPPING_MESHES, MASSLESS_BOX_BELOW_FLOOR };
    for (Pair pair : {MESH_BELOW_FLOOR, OVERLAPPING_MESHES, MASSLESS_BOX_BELOW_FLOOR}) {
        SCOPED_TRACE(int(pair));
        Sim sim;
        BodyStore store;
        testing_support::MeshStore meshes;
        const testing_support::MeshData ground = testing_support::floorMesh(2.0f, 4);
        std::vector<RigidBody*> statics;
        if (pair == MESH_BELOW_FLOOR) {
            statics = {store.plane(Vector3{0, 1, 0}, 0.0f), meshes.body(ground, Vector3{0, -0.01f, 0})};
        } else if (pair == OVERLAPPING_MESHES) {
            statics = {meshes.body(ground, Vector3{0, 0, 0}),
                       meshes.body(ground, Vector3{0, 0, 0}, false, 1.0f, Matrix3::makeRotationX(0.01f))};
        } else {
            BoxBody* box = store.box(Vector3{0, -0.2f, 0}, Vector3{4.0f, 0.5f, 4.0f});
            box->inverseMass = 0.0f;
            box->inverseInertia = Matrix3::zero();
            box->worldInverseInertia = Matrix3::zero();
            statics = {store.plane(Vector3{0, 1, 0}, 0.0f), box};
        }
        for (RigidBody* b : statics) sim.addBody(b);
        SphereBody* load = store.sphere(Vector3{0.1f, 0.3f, -0.3f}, 0.25f);
        sim.addBody(load);
        sim.commitBodies();
        std::vector<Vector3> where;
        for (RigidBody* b : statics) where.push_back(b->position);

        const float h = 1.0f / 120.0f;
        for (int i = 0; i < 200; ++i) sim.simulate(i * h, (i + 1) * h);
        auto same = [](const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; };
        for (std::size_t k = 0; k < statics.size(); ++k) {
            EXPECT_TRUE(same(statics[k]->position, where[k]));
            EXPECT_TRUE(same(statics[k]->velocity, Vector3::zero()));
            EXPECT_TRUE(same(statics[k]->angularVelocity, Vector3::zero()));
            EXPECT_TRUE(std::isfinite(statics[k]->linearMomentum.y));
        }
        EXPECT_GT(load->position.y, 0.2f);  // still on top, not through the floor
    }
}

}  // namespace
