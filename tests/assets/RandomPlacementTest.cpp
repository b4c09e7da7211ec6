#include "assets/RandomPlacement.h"

#include <OgreException.h>

#include <gtest/gtest.h>

#include <string>
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
    placeAtRandom<SphereBody>(simulator, 4, "sphere", [&](SphereBody* body) { initSphere(body, 6, RADIUS); });
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

// A column with no free place ends the placement with an error naming the body,
// once the body has used its attempts (three draws each); nothing refused is queued.
TEST(RandomPlacement, AFullColumnEndsWithAnErrorNamingTheBody)
{
    RigidBodySimulator simulator;
    auto* blocker = new SphereBody();
    initSphere(blocker, 1, 100);
    setAtRest(blocker, Vector3{0, 0, 0});
    simulator.addBody(blocker);

    platform::crtSrand(27493);
    try {
        placeAtRandom<SphereBody>(simulator, 3, "ball", [](SphereBody* body) { initSphere(body, 6, 0.3f); });
        ADD_FAILURE() << "no error";
    } catch (const Ogre::Exception& e) {
        const std::string text = e.getDescription();
        EXPECT_NE(text.find("ball 1 of 3"), std::string::npos) << text;
        EXPECT_NE(text.find(std::to_string(MAX_PLACEMENT_ATTEMPTS) + " attempts"), std::string::npos) << text;
    }
    const int next = platform::crtRand();
    simulator.commitBodies();
    EXPECT_EQ(simulator.getNumBodies(), 1u);

    platform::crtSrand(27493);
    for (int i = 0; i < 3 * MAX_PLACEMENT_ATTEMPTS; ++i) platform::crtRand();
    EXPECT_EQ(platform::crtRand(), next);
    testsupport::deleteBodies(simulator);
}

}  // namespace
