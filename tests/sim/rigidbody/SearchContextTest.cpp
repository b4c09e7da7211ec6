// The simulator's search context: what it keeps per body.
#include "sim/rigidbody/SearchContext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "Meshes.h"
#include "RandomRotation.h"

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

}  // namespace
