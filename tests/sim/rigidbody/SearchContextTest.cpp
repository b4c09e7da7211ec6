// The simulator's search context: what it keeps per body, and the shape types it
// lets into the search.
#include "sim/rigidbody/SearchContext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <stdexcept>

#include "Bodies.h"
#include "Meshes.h"
#include "RandomRotation.h"
#include "sim/rigidbody/Simulator.h"

using namespace testing_support;

namespace {

bool sameRecords(const ContactList& a, const ContactList& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].bodyA != b[i].bodyA || a[i].bodyB != b[i].bodyB ||
            std::memcmp(&a[i].point, &b[i].point, sizeof(Vector3)) != 0 ||
            std::memcmp(&a[i].normal, &b[i].normal, sizeof(Vector3)) != 0)
            return false;
    return true;
}

// Three bodies on one tree, moved between searches in one context: each keeps
// world positions of its own, so every pair of them finds what the full walk
// finds, pose after pose.
TEST(SearchContext, BodiesSharingOneTreeKeepWorldPositionsOfTheirOwn)
{
    MeshStore meshes;
    TriangleMeshBody* first = meshes.body(lumpyMesh(18, 11, 0.5f), Vector3{0, 0, 0}, true);
    TriangleMeshBody second = *first, third = *first;  // the same tree
    const std::vector<RigidBody*> bodies{first, &second, &third};

    SearchContext library, plain(SearchForms::plain());
    std::mt19937 random(12);
    std::uniform_real_distribution<float> place(-0.6f, 0.6f);
    int touching = 0;
    for (int pose = 0; pose < 60; ++pose) {
        for (RigidBody* body : bodies) {
            // The third stays put now and then: its positions are kept, the others' not.
            if (body == &third && pose % 3 != 0) continue;
            body->position = Vector3{place(random), place(random), place(random)};
            body->rotation = randomRotation(random);
        }
        ContactList expected, found;
        plain.findContacts(bodies, &expected);
        library.findContacts(bodies, &found);
        ASSERT_TRUE(sameRecords(expected, found)) << "pose " << pose;
        touching += !expected.empty();
    }
    EXPECT_GT(touching, 30);
}

// The pair table is indexed by shape type: a body of any other type never
// reaches the search, whether it comes in through addBody, changes its type
// before commitBodies or is offered to isColliding.
TEST(SearchContext, BodiesOfUnknownShapeAreRefusedWhereTheyAreHandedOver)
{
    BodyStore store;
    Simulator<ODERungeKutta> sim;
    SphereBody* sphere = store.sphere(Vector3{0, 1, 0}, 0.5f);
    sim.addBody(sphere);

    for (const std::int32_t type : {-1, 4, 1000}) {
        BoxBody* odd = store.box(Vector3{0, 1, 0}, Vector3{1, 1, 1});
        odd->shapeType = type;
        EXPECT_THROW(sim.addBody(odd), std::invalid_argument) << type;
        EXPECT_THROW(sim.isColliding(odd), std::invalid_argument) << type;
    }
    EXPECT_THROW(sim.addBody(nullptr), std::invalid_argument);
    EXPECT_EQ(sim.mPendingBodies.size(), 1u);

    sphere->shapeType = 9;
    EXPECT_THROW(sim.commitBodies(), std::invalid_argument);
    EXPECT_EQ(sim.getNumBodies(), 0u);
    EXPECT_EQ(sim.mPendingBodies.size(), 1u);

    sphere->shapeType = SHAPE_SPHERE;
    sim.commitBodies();
    EXPECT_EQ(sim.getNumBodies(), 1u);
    sim.simulate(0.0f, 1.0f / 60.0f);
    EXPECT_EQ(sim.getNumContacts(), 0u);
}

}  // namespace
