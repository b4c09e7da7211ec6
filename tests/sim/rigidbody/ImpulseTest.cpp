#include <gtest/gtest.h>

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
