#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "Bodies.h"
#include "sim/rigidbody/Simulator.h"

using namespace physics;
using namespace physics::rigidbody;
using testing_support::BodyStore;

namespace {

using Sim = Simulator<ODERungeKutta>;

// A sphere moving along y with the given speed, and one contact at its centre
// against a static floor (normal +y, from the floor towards the sphere).
struct FloorContact : ::testing::Test {
    BodyStore store;
    SphereBody* ball = store.sphere(Vector3{0, 0.5f, 0}, 0.5f);
    PlaneBody* floor = store.plane(Vector3{0, 1, 0}, 0.0f);

    void setSpeed(float v)
    {
        ball->linearMomentum = Vector3{0, v, 0};
        ball->velocity = Vector3{0, v, 0};
    }
    Contact contact() const { return Contact{ball, floor, ball->position, Vector3{0, 1, 0}, {}, {}, true}; }
};

TEST_F(FloorContact, FallingSphereLeavesAtSixTenthsOfItsSpeed)
{
    Sim sim;
    sim.addBody(ball);
    sim.addBody(floor);
    sim.commitBodies();
    ball->position.y = 0.45f;
    setSpeed(-2.0f);
    sim.findContacts();
    ASSERT_EQ(sim.getNumContacts(), 1u);
    sim.resolveCollisions();
    EXPECT_FLOAT_EQ(ball->velocity.y, 1.2f);
    EXPECT_EQ(ball->angularMomentum.x, 0.0f);
    EXPECT_EQ(ball->angularMomentum.z, 0.0f);
    EXPECT_FLOAT_EQ(floor->linearMomentum.y, -3.2f);  // the floor takes the impulse...
    EXPECT_EQ(floor->velocity.y, 0.0f);              // ...but does not move
}

TEST_F(FloorContact, ImpulseThresholdIncludesSlowSeparation)
{
    struct Case {
        float before;
        float after;
    };
    const Case cases[] = {
        {0.005f, float(-0.6000000238418579 * 0.005f)},  // nearest float to 0.005 is below it
        {0.0051f, 0.0051f},                              // separating fast enough: untouched
        {0.004f, float(-0.6000000238418579 * 0.004f)},   // ends approaching at about 0.0024
    };
    for (const Case& c : cases) {
        setSpeed(c.before);
        ContactList list{contact()};
        resolveCollisions(&list);
        EXPECT_FLOAT_EQ(ball->velocity.y, c.after) << "separating at " << c.before;
    }
    setSpeed(0.004f);
    ContactList list{contact()};
    resolveCollisions(&list);
    EXPECT_NEAR(ball->velocity.y, -0.0024f, 1e-7f);
}

TEST_F(FloorContact, RestitutionFactorIsTheWidenedFloat)
{
    setSpeed(-0.01f);
    ContactList list{contact()};
    resolveCollisions(&list);
    const float j = float(double(-0.01f) * -1.600000023841858);
    EXPECT_EQ(ball->velocity.y, -0.01f + j);
    EXPECT_NE(ball->velocity.y, -0.01f + float(double(-0.01f) * -1.6));
}

TEST_F(FloorContact, LaterContactsSeeEarlierImpulses)
{
    setSpeed(-1.0f);
    ContactList twice{contact(), contact()};
    resolveCollisions(&twice);
    // After the first impulse the sphere separates at 0.6: the second is skipped.
    EXPECT_FLOAT_EQ(ball->velocity.y, 0.6f);
}

TEST_F(FloorContact, StaticBodyMayBeEitherSide)
{
    setSpeed(-2.0f);
    ContactList reversed{Contact{floor, ball, ball->position, Vector3{0, -1, 0}, {}, {}, true}};
    resolveCollisions(&reversed);
    EXPECT_FLOAT_EQ(ball->velocity.y, 1.2f);
}

TEST(ContactSearch, PairOrderFollowsIndicesAndTheTableMirrors)
{
    Sim sim;
    BodyStore store;
    PlaneBody* floor = store.plane(Vector3{0, 1, 0}, 0.0f);
    BoxBody* box = store.box(Vector3{0, 0.49f, 0}, Vector3{1, 1, 1});
    sim.addBody(floor);
    sim.addBody(box);
    sim.commitBodies();
    sim.findContacts();
    ASSERT_EQ(sim.getNumContacts(), 4u);
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_EQ(sim.getContact(i)->bodyA, box);
        EXPECT_EQ(sim.getContact(i)->bodyB, floor);
    }
}

TEST(ContactSearch, IsCollidingSeesActiveAndPendingBodies)
{
    Sim sim;
    BodyStore store;
    sim.addBody(store.sphere(Vector3{0, 0, 0}, 1.0f));
    sim.commitBodies();
    sim.addBody(store.sphere(Vector3{10, 0, 0}, 1.0f));  // pending

    EXPECT_TRUE(sim.isColliding(store.sphere(Vector3{11.5f, 0, 0}, 1.0f)));
    EXPECT_EQ(sim.getNumContacts(), 1u);
    EXPECT_TRUE(sim.isColliding(store.box(Vector3{0, 1.2f, 0}, Vector3{1, 1, 1})));
    EXPECT_FALSE(sim.isColliding(store.sphere(Vector3{5, 0, 0}, 1.0f)));
    EXPECT_EQ(sim.getNumContacts(), 0u);

    Sim planes;
    planes.addBody(store.plane(Vector3{0, 1, 0}, 0.0f));
    EXPECT_FALSE(planes.isColliding(store.plane(Vector3{1, 0, 0}, 0.0f)));
}

TEST(ContactSearch, BallComesToRestOnFloorOverManySteps)
{
    Sim sim;
    BodyStore store;
    SphereBody* ball = store.sphere(Vector3{0, 3, 0}, 0.5f);
    sim.addBody(store.plane(Vector3{0, 1, 0}, 0.0f));
    sim.addBody(ball);
    sim.commitBodies();
    const float h = 1.0f / 60.0f;
    for (int i = 0; i < 600; ++i) sim.simulate(i * h, (i + 1) * h);
    EXPECT_NEAR(ball->position.y, 0.5f, 0.05f);
    EXPECT_NEAR(ball->velocity.y, 0.0f, 0.2f);
}

}  // namespace

namespace {

// Sets the derived fields from the momenta, as the end of a step does.
void derive(RigidBody* body)
{
    float state[STATE_SIZE];
    bodyToState(body, state);
    stateToBody(state, body);
}

// A spinning, tilted box struck off-centre, against a static floor and against a
// spinning sphere: the lever arms enter through the world inverse inertia. After
// the impulse the contact points separate at 0.6 of the speed they approached
// with, and the impulse follows the impulse formula float for float.
TEST(Impulse, LeverArmsThroughTheWorldInverseInertia)
{
    BodyStore store;
    BoxBody* box = store.box(Vector3{0.1f, 0.6f, -0.2f}, Vector3{1, 0.5f, 2}, 3.0f, Matrix3::makeRotationX(0.35f));
    PlaneBody* floor = store.plane(Vector3{0, 1, 0}, 0.0f);
    SphereBody* ball = store.sphere(Vector3{0.7f, -0.3f, 0.9f}, 0.4f, 0.7f);
    ball->linearMomentum = Vector3{-0.2f, 1.1f, 0.05f};
    ball->angularMomentum = Vector3{1.3f, 0.2f, -0.7f};
    derive(ball);
    const Vector3 p{0.55f, 0.02f, 0.7f};
    Vector3 tiltedNormal{0.1f, 1.0f, -0.15f};
    normalise(tiltedNormal);

    struct Case {
        const char* name;
        RigidBody* other;
        Vector3 n;
    };
    const Case cases[] = {{"static floor", floor, Vector3{0, 1, 0}}, {"spinning sphere", ball, tiltedNormal}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        box->linearMomentum = Vector3{0.6f, -4.5f, 0.3f};
        box->angularMomentum = Vector3{0.4f, -0.9f, 0.25f};
        derive(box);
        const BoxBody a = *box;
        const RigidBody b = *c.other;
        const Vector3& n = c.n;
        ContactList list{Contact{box, c.other, p, n, {}, {}, true}};
        resolveCollisions(&list);

        const auto normalSpeed = [&](const RigidBody& x, const RigidBody& y) {
            const Vector3 rx = p - x.position, ry = p - y.position;
            const Vector3 ux = x.velocity + crossProduct(x.angularVelocity, rx);
            const Vector3 uy = y.velocity + crossProduct(y.angularVelocity, ry);
            return double(dotProduct(ux - uy, n));
        };
        const double approach = normalSpeed(a, b);
        ASSERT_LT(approach, -1.0);
        EXPECT_NEAR(normalSpeed(*box, *c.other), -0.6 * approach, 1e-5);

        // Step by step, as the impulse is defined.
        const Vector3 rA = p - a.position, rB = p - b.position;
        const Vector3 uA = a.velocity + crossProduct(a.angularVelocity, rA);
        const Vector3 uB = b.velocity + crossProduct(b.angularVelocity, rB);
        const float vrel = dotProduct(uA - uB, n);
        const Vector3 kA = a.worldInverseInertia * crossProduct(rA, n);
        const float termA = dotProduct(n, crossProduct(kA, rA));
        const Vector3 kB = b.worldInverseInertia * crossProduct(rB, n);
        const float termB = dotProduct(n, crossProduct(kB, rB));
        const float j = float((vrel * -1.600000023841858) /
                              ((termA + (double(b.inverseMass) + a.inverseMass)) + termB));
        const Vector3 J = n * j;
        Vector3 linearA = a.linearMomentum, angularA = a.angularMomentum;
        Vector3 linearB = b.linearMomentum, angularB = b.angularMomentum;
        linearA += J;
        linearB -= J;
        angularA += crossProduct(rA, J);
        angularB -= crossProduct(rB, J);
        const Vector3 velocityA = linearA * a.inverseMass, velocityB = linearB * b.inverseMass;
        const Vector3 spinA = a.worldInverseInertia * angularA, spinB = b.worldInverseInertia * angularB;
        for (int k = 0; k < 3; ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(box->linearMomentum[k], linearA[k]);
            EXPECT_EQ(box->angularMomentum[k], angularA[k]);
            EXPECT_EQ(box->velocity[k], velocityA[k]);
            EXPECT_EQ(box->angularVelocity[k], spinA[k]);
            EXPECT_EQ(c.other->linearMomentum[k], linearB[k]);
            EXPECT_EQ(c.other->angularMomentum[k], angularB[k]);
            EXPECT_EQ(c.other->velocity[k], velocityB[k]);
            EXPECT_EQ(c.other->angularVelocity[k], spinB[k]);
        }
        for (int r = 0; r < 3; ++r)
            for (int col = 0; col < 3; ++col)
                EXPECT_EQ(box->worldInverseInertia[r][col], a.worldInverseInertia[r][col]) << "not recomputed";
    }
    EXPECT_EQ(floor->velocity.y, 0.0f);
}

// The search stops at the first body that gives a contact, active bodies first,
// and keeps that pair's contacts.
TEST(ContactSearch, IsCollidingStopsAtTheFirstTouchedBody)
{
    Sim sim;
    BodyStore store;
    SphereBody* far = store.sphere(Vector3{10, 0, 0}, 1.0f);
    SphereBody* active = store.sphere(Vector3{0, 0, 0}, 1.0f);
    sim.addBody(far);
    sim.addBody(active);
    sim.commitBodies();
    SphereBody* pending = store.sphere(Vector3{2, 0, 0}, 1.0f);
    sim.addBody(pending);

    SphereBody* candidate = store.sphere(Vector3{1, 0, 0}, 0.5f);  // overlaps active and pending
    EXPECT_TRUE(sim.isColliding(candidate));
    ASSERT_EQ(sim.getNumContacts(), 1u);
    EXPECT_EQ(sim.getContact(0)->bodyA, candidate);
    EXPECT_EQ(sim.getContact(0)->bodyB, active);

    BoxBody* crate = store.box(Vector3{10, 0.9f, 0}, Vector3{1, 1, 1});  // table entry box, sphere
    EXPECT_TRUE(sim.isColliding(crate));
    ASSERT_EQ(sim.getNumContacts(), 1u);
    EXPECT_EQ(sim.getContact(0)->bodyA, crate);
    EXPECT_EQ(sim.getContact(0)->bodyB, far);

    // The next contact search starts afresh.
    sim.findContacts();
    EXPECT_EQ(sim.getNumContacts(), 0u);
}

}  // namespace

namespace {

// A contact whose impulse is not a number or overflows leaves both bodies as they
// were: a static floor that took it would pass it on to everything resting on it.
TEST_F(FloorContact, ImpulseThatIsNotFiniteReachesNoBody)
{
    struct Case {
        const char* name;
        float inverseMass, speed;
        Vector3 point;
        bool turns;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {"a ball whose inverse mass is not a number", nan, -1.0f, Vector3{0, 0, 0}, true},
        {"an approach too fast for a float impulse", 1.0f, -3e38f, Vector3{0, 0, 0}, true},
        // No inertia to take the lever arm: the whole impulse turns it.
        {"a lever arm whose torque overflows", 1.0f, -1e20f, Vector3{1e19f, 0, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ball->inverseMass = c.inverseMass;
        ball->worldInverseInertia = c.turns ? Matrix3::identity() : Matrix3::zero();
        setSpeed(c.speed);
        floor->linearMomentum = Vector3{0, -2, 0};
        ContactList list{Contact{ball, floor, ball->position + c.point, Vector3{0, 1, 0}, {}, {}, true}};
        resolveCollisions(&list);
        EXPECT_EQ(floor->linearMomentum.y, -2.0f);
        EXPECT_EQ(floor->angularMomentum.z, 0.0f);
        EXPECT_EQ(floor->velocity.y, 0.0f);
        EXPECT_EQ(ball->linearMomentum.y, c.speed);
        EXPECT_EQ(ball->angularMomentum.z, 0.0f);
    }
}

// Steps of a ball resting on the floor, with company.
float restingBallHeight(const std::function<void(BodyStore&, Sim&)>& company)
{
    Sim sim;
    BodyStore store;
    SphereBody* ball = store.sphere(Vector3{0, 0.5f, 0}, 0.5f);
    PlaneBody* floor = store.plane(Vector3{0, 1, 0}, 0.0f);
    sim.addBody(floor);
    sim.addBody(ball);
    company(store, sim);
    sim.commitBodies();
    const float h = 1.0f / 60.0f;
    for (int i = 0; i < 120; ++i) sim.simulate(i * h, (i + 1) * h);
    EXPECT_TRUE(std::isfinite(floor->linearMomentum.y));
    return ball->position.y;
}

TEST(ContactSearch, BodyGoneBadLeavesTheFloorToTheOthers)
{
    const float alone = restingBallHeight([](BodyStore&, Sim&) {});
    ASSERT_NEAR(alone, 0.5f, 0.005f);
    // A sphere beside it, pressed into the floor, whose mass became not a number
    // after it was handed over.
    const float beside = restingBallHeight([](BodyStore& store, Sim& sim) {
        SphereBody* bad = store.sphere(Vector3{3, 0.45f, 0}, 0.5f);
        sim.addBody(bad);
        bad->mass = bad->inverseMass = std::numeric_limits<float>::quiet_NaN();
    });
    EXPECT_EQ(beside, alone);
}

TEST(ContactSearch, BodiesAsLargeAsAllowedLeaveARestingBallWhereItRests)
{
    const float alone = restingBallHeight([](BodyStore&, Sim&) {});
    // A sphere and a box reaching as far as a body may, resting on the floor
    // beside the ball.
    const float R = MAX_BODY_REACH;
    const float beside = restingBallHeight([R](BodyStore& store, Sim& sim) {
        sim.addBody(store.sphere(Vector3{R + 2, R, 0}, R));
        sim.addBody(store.box(Vector3{-R - 2, R - 0.01f, 0}, Vector3{2 * R, 2 * R, 2 * R}));
    });
    EXPECT_EQ(beside, alone);
}

}  // namespace
