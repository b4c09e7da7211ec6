#include "sim/rigidbody/Simulator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Bodies.h"

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
