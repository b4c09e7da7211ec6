#include "assets/RandomPlacement.h"

#include <OgreException.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/CrtRandom.h"
#include "HeadlessScene.h"

namespace {

using namespace physics;
using namespace physics::rigidbody;

TEST(RandomPlacement, ColumnPointsFromTheirDraws)
{
    const struct {
        int rx, ry, rz;
        Vector3 point;
    } cases[] = {
        {0, 0, 0, {-0.5f, 2.0f, -0.5f}},
        {99, 599, 99, {0.49f, 7.99f, 0.49f}},
        {32767, 32767, 32767, {0.17f, 5.67f, 0.17f}},
        {150, 300, 1049, {0.0f, 5.0f, -0.01f}},
    };
    for (const auto& c : cases) {
        const Vector3 p = columnPoint(c.rx, c.ry, c.rz);
        EXPECT_EQ(p.x, c.point.x) << c.rx;
        EXPECT_EQ(p.y, c.point.y) << c.ry;
        EXPECT_EQ(p.z, c.point.z) << c.rz;
    }
}

// The bodies keep the first places of the draw stream that are free of the bodies
// queued before them; a refused place costs three draws and no body.
TEST(RandomPlacement, KeepsTheFirstFreePlacesOfTheDrawStream)
{
    constexpr float RADIUS = 0.2505f;  // no two grid points lie exactly two radii apart
    constexpr float BLOCKER_RADIUS = 2.0005f;
    const Vector3 blockerCentre{0, 2, 0};

    RigidBodySimulator simulator;
    auto* blocker = new SphereBody();
    initSphere(blocker, 1, BLOCKER_RADIUS);
    setAtRest(blocker, blockerCentre);
    simulator.addBody(blocker);

    platform::crtSrand(27493);
    placeAtRandom<SphereBody>(simulator, 4, [&](SphereBody* body) { initSphere(body, 6, RADIUS); });
    simulator.commitBodies();
    ASSERT_EQ(simulator.getNumBodies(), 5u);

    // Replay the stream with the same rule, sphere against sphere.
    platform::crtSrand(27493);
    std::vector<Vector3> kept;
    int refused = 0;
    auto apart = [](const Vector3& p, const Vector3& q, float distance) {
        const Vector3 d = p - q;
        return squaredLength(d) > distance * distance;
    };
    auto freeAt = [&](const Vector3& p) {
        if (!apart(p, blockerCentre, RADIUS + BLOCKER_RADIUS)) return false;
        for (const Vector3& q : kept)
            if (!apart(p, q, 2 * RADIUS)) return false;
        return true;
    };
    while (kept.size() < 4) {
        const Vector3 p = drawColumnPoint();
        if (freeAt(p))
            kept.push_back(p);
        else
            ++refused;
    }
    EXPECT_GT(refused, 0) << "the blocker should refuse some places";

    for (unsigned i = 0; i < 4; ++i) {
        const RigidBody* body = simulator.getBody(i + 1);
        ASSERT_EQ(body->shapeType, SHAPE_SPHERE);
        EXPECT_EQ(body->id, 0);
        EXPECT_EQ(body->mass, 6.0f);
        EXPECT_EQ(body->position.x, kept[i].x) << i;
        EXPECT_EQ(body->position.y, kept[i].y) << i;
        EXPECT_EQ(body->position.z, kept[i].z) << i;
        EXPECT_EQ(body->linearMomentum.y, 0.0f);
    }
    testsupport::deleteBodies(simulator);
}

// A body that every draw puts where another lies ends the scene after the
// bound, naming it; the refused records are deleted, the earlier bodies stay.
TEST(RandomPlacement, NoFreePlaceEndsTheSceneAfterTheBound)
{
    RigidBodySimulator simulator;
    auto* blocker = new SphereBody();
    initSphere(blocker, 1, 10.0f);
    setAtRest(blocker, Vector3{0, 5, 0});
    simulator.addBody(blocker);
    simulator.commitBodies();
    auto* placed = new SphereBody();
    initSphere(placed, 1, 0.5f);
    setAtRest(placed, Vector3{40, 5, 0});
    simulator.addBody(placed);

    platform::crtSrand(27493);
    int attempts = 0;
    try {
        placeEachAtRandom<SphereBody>(simulator, 1, "sphere", [&](SphereBody* body) {
            ++attempts;
            initSphere(body, 1, 0.5f);
            setAtRest(body, drawColumnPoint());
        });
        FAIL() << "no exception";
    } catch (const Ogre::Exception& e) {
        EXPECT_NE(e.getDescription().find("the sphere (body 2) found no free place in 10000 attempts"),
                  std::string::npos)
            << e.getDescription();
    }
    EXPECT_EQ(attempts, MAX_PLACEMENT_ATTEMPTS);
    EXPECT_EQ(simulator.mPendingBodies.size(), 1u);
    simulator.commitBodies();
    testsupport::deleteBodies(simulator);
}

}  // namespace
