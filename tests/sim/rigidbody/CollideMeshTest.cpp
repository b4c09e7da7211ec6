#include "sim/rigidbody/CollideMesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "Bodies.h"
#include "ContactMatchers.h"
#include "Meshes.h"
#include "sim/rigidbody/Collide.h"
#include "sim/maths/Matrix4.h"
#include "sim/rigidbody/Simulator.h"
#include "sim/rigidbody/TriangleContacts.h"

using namespace testing_support;

namespace {

ContactList collide(RigidBody* first, RigidBody* second)
{
    ContactList contacts;
    collisionFunction(first, second)(first, second, &contacts);
    return contacts;
}

void expectSound(const ContactList& contacts)
{
    for (const Contact& c : contacts) {
        EXPECT_TRUE(std::isfinite(c.point.x) && std::isfinite(c.point.y) && std::isfinite(c.point.z));
        EXPECT_NEAR(squaredLength(c.normal), 1.0f, 1e-5);
    }
}

// A horizontal square patch of 2 x cells x cells upward triangles around (x, y, z).
void addPatch(MeshData& m, float x, float y, float z, float half, int cells)
{
    const MeshData patch = floorMesh(half, cells, y);
    const int base = m.vertexCount();
    for (int i = 0; i < patch.vertexCount(); ++i) {
        const Vector3 v = patch.vertex(i);
        m.addVertex(Vector3{v.x + x, v.y, v.z + z});
    }
    for (std::size_t i = 0; i < patch.indices.size(); i += 3)
        m.addTriangle(base + patch.indices[i], base + patch.indices[i + 1], base + patch.indices[i + 2]);
}

std::vector<MeshTreeNode*> leavesOf(MeshTreeNode* node)
{
    if (!node->left) return {node};
    std::vector<MeshTreeNode*> l = leavesOf(node->left), r = leavesOf(node->right);
    l.insert(l.end(), r.begin(), r.end());
    return l;
}

const Matrix3 tilt{{{0.8f, -0.6f, 0}, {0.6f, 0.8f, 0}, {0, 0, 1}}};  // a turn about z

TEST(MeshPairs, MirroredEntriesGiveIdenticalRecordsWithTheMeshAsBodyA)
{
    MeshStore meshes;
    BodyStore bodies;
    TriangleMeshBody* mesh = meshes.body(sphereMesh(25, 15, 1.0f, 0.1f), Vector3{0.1f, 0.2f, 0.3f}, false, 1, tilt);
    RigidBody* shapes[] = {
        bodies.box(Vector3{0.1f, 1.3f, 0.3f}, Vector3{1, 1, 1}),
        bodies.sphere(Vector3{0.2f, 1.5f, 0.3f}, 0.5f),
        bodies.plane(Vector3{0, 1, 0}, 0.6f),
    };
    for (RigidBody* shape : shapes) {
        SCOPED_TRACE(shape->shapeType);
        const ContactList fromShape = collide(shape, mesh);
        const ContactList fromMesh = collide(mesh, shape);
        ASSERT_FALSE(fromShape.empty());
        expectSameContacts(fromShape, fromMesh);
        for (const Contact& c : fromMesh) {
            EXPECT_EQ(c.bodyA, mesh);
            EXPECT_EQ(c.bodyB, shape);
        }
        expectSound(fromMesh);
    }
}

TEST(MeshPairs, ShapesAwayFromTheMeshGiveNothing)
{
    MeshStore meshes;
    BodyStore bodies;
    TriangleMeshBody* mesh = meshes.body(sphereMesh(25, 15, 1.0f, 0.1f), Vector3{0, 0, 0});
    TriangleMeshBody* other = meshes.body(sphereMesh(25, 15, 1.0f, 0.1f), Vector3{5, 0, 0});
    RigidBody* shapes[] = {bodies.box(Vector3{0, 3, 0}, Vector3{1, 1, 1}), bodies.sphere(Vector3{3, 0, 0}, 1.5f),
                           bodies.plane(Vector3{0, 1, 0}, 1.2f), other};
    for (RigidBody* shape : shapes) {
        EXPECT_TRUE(collide(shape, mesh).empty()) << shape->shapeType;
        EXPECT_TRUE(collide(mesh, shape).empty()) << shape->shapeType;
    }
}

TEST(MeshPairs, MeshWithoutTrianglesCollidesWithNothing)
{
    MeshStore meshes;
    BodyStore bodies;
    TriangleMeshBody* empty = meshes.body(MeshData{}, Vector3{0, 0, 0}, true);
    TriangleMeshBody* full = meshes.body(sphereMesh(25, 15, 1.0f), Vector3{0, 0, 0});
    RigidBody* shapes[] = {bodies.box(Vector3{0, 0, 0}, Vector3{1, 1, 1}), bodies.sphere(Vector3{0, 0, 0}, 1),
                           bodies.plane(Vector3{0, 1, 0}, 5), full, empty};
    for (RigidBody* shape : shapes) {
        EXPECT_TRUE(collide(shape, empty).empty()) << shape->shapeType;
        EXPECT_TRUE(collide(empty, shape).empty()) << shape->shapeType;
    }
}

TEST(MeshPairs, WalksTestTrianglesLeafByLeafInIndexOrder)
{
    // A turned and moved floor of 32 triangles (several leaves) and shapes that
    // every node box lets through: the contacts are those of the triangle test
    // called on the tree's triangles in the order of its index copy.
    MeshStore meshes;
    BodyStore bodies;
    TriangleMeshBody* mesh = meshes.body(floorMesh(2, 4, 0.1f), Vector3{0.3f, -0.2f, 0.1f}, false, 1, tilt);
    ASSERT_GT(leavesOf(mesh->meshTree->root).size(), 2u);
    BoxBody* box = bodies.box(Vector3{0.2f, 0, 0.1f}, Vector3{9, 9, 9}, 1, Matrix3::makeRotationX(0.2f));
    SphereBody* sphere = bodies.sphere(Vector3{0.5f, 1, 0.2f}, 6);
    PlaneBody* plane = bodies.plane(Vector3{0, 1, 0}, -4);  // above the whole floor

    const MeshTree* tree = mesh->meshTree;
    const Matrix4 m = Matrix4::makeTranslation(mesh->position) * Matrix4::fromRotation(mesh->rotation);
    auto expected = [&](const std::function<void(const Vector3*, ContactList*)>& test) {
        ContactList contacts;
        for (int t = 0; t < tree->triangleCount; ++t) {
            Vector3 triangle[3];
            for (int k = 0; k < 3; ++k) {
                const float* v = tree->vertices + 3 * tree->triangles[3 * t + k];
                triangle[k] = Matrix4::transformAffine(m, Vector3{v[0], v[1], v[2]});
            }
            test(triangle, &contacts);
        }
        return contacts;
    };
    const OrientedBox boxShape{box->position,
                               {Vector3{box->rotation[0][0], box->rotation[1][0], box->rotation[2][0]},
                                Vector3{box->rotation[0][1], box->rotation[1][1], box->rotation[2][1]},
                                Vector3{box->rotation[0][2], box->rotation[1][2], box->rotation[2][2]}},
                               box->halfExtents};
    {
        SCOPED_TRACE("box");
        const ContactList contacts = collide(mesh, box);
        EXPECT_EQ(contacts.size(), 3u * 32u);
        expectSameContacts(contacts, expected([&](const Vector3* t, ContactList* c) {
                               collideTriangleBox(t, boxShape, mesh, box, c);
                           }));
    }
    {
        SCOPED_TRACE("sphere");
        const ContactList contacts = collide(mesh, sphere);
        EXPECT_GT(contacts.size(), 16u);
        expectSameContacts(contacts, expected([&](const Vector3* t, ContactList* c) {
                               collideTriangleSphere(t, Sphere{sphere->position, sphere->radius}, mesh, sphere, c);
                           }));
    }
    {
        SCOPED_TRACE("plane");
        const ContactList contacts = collide(mesh, plane);
        EXPECT_EQ(contacts.size(), 25u) << "each vertex once";
        expectSameContacts(contacts, expected([&](const Vector3* t, ContactList* c) {
                               collideTrianglePlane(t, plane->plane, mesh, plane, c);
                           }));
    }
}

// The sphere walk.

TEST(SphereWalk, SkipsEveryNodeWhoseBoxMissesTheSphere)
{
    // Two far patches, one leaf each; the sphere rests on the one at x = -10.
    MeshData m;
    addPatch(m, -10, 0, 0, 2, 2);
    addPatch(m, 10, 0, 0, 2, 2);
    MeshStore meshes;
    BodyStore bodies;
    TriangleMeshBody* mesh = meshes.body(std::move(m), Vector3{0, 0, 0});
    SphereBody* sphere = bodies.sphere(Vector3{-10.3f, 0.4f, 0.2f}, 0.5f);
    MeshTree* tree = mesh->meshTree;
    ASSERT_NE(tree->root->left, nullptr);
    const std::vector<MeshTreeNode*> leaves = leavesOf(tree->root);
    ASSERT_EQ(leaves.size(), 2u);
    EXPECT_LT(leaves[0]->bounds.max.x, 0.0f);

    const std::size_t touching = collide(mesh, sphere).size();
    ASSERT_GT(touching, 0u);

    // Moving a node's box away hides its triangles from the walk, so only the
    // boxes decide which triangles are tested.
    struct Case {
        const char* name;
        MeshTreeNode* node;
        std::size_t contacts;
    } cases[] = {{"root", tree->root, 0}, {"the touched leaf", leaves[0], 0}, {"the other leaf", leaves[1], touching}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BoundingBox saved = c.node->bounds;
        c.node->bounds.min.y += 100;
        c.node->bounds.max.y += 100;
        EXPECT_EQ(collide(mesh, sphere).size(), c.contacts);
        c.node->bounds = saved;
    }
}

TEST(SphereWalk, NodeBoxesTurnWithTheMesh)
{
    // A long thin strip along the mesh's x axis, turned 45 degrees about y; the
    // sphere rests near its far end, far outside the unturned box.
    MeshData strip;
    for (int i = 0; i < 9; ++i) {
        const float x = float(i);
        strip.addTriangle(Vector3{x, 0, -0.1f}, Vector3{x, 0, 0.1f}, Vector3{x + 1, 0, 0});
    }
    const float c = float(std::sqrt(0.5)), s = c;
    const Matrix3 turn{{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
    MeshStore meshes;
    BodyStore bodies;
    TriangleMeshBody* mesh = meshes.body(std::move(strip), Vector3{0, 0, 0}, false, 1, turn);
    SphereBody* sphere = bodies.sphere(turn * Vector3{8.3f, 0.25f, 0}, 0.3f);
    const ContactList contacts = collide(sphere, mesh);
    ASSERT_EQ(contacts.size(), 1u);
    expectVector(contacts[0].point, 8.3f * c, 0, -8.3f * s, 1e-5f);
    expectVector(contacts[0].normal, 0, -1, 0, 1e-5f);
}

// The plane walk.

TEST(PlaneWalk, NodeWithNoCornerStrictlyBehindThePlaneIsSkipped)
{
    MeshData m;
    m.addTriangle(Vector3{0, -0.5f, 0}, Vector3{1, 1, 0}, Vector3{0, 1, 1});
    MeshStore meshes;
    BodyStore bodies;
    TriangleMeshBody* mesh = meshes.body(std::move(m), Vector3{0, 0, 0});
    PlaneBody* ground = bodies.plane(Vector3{0, 1, 0}, 0);
    ASSERT_EQ(collide(mesh, ground).size(), 1u);

    // Box raised so that its lowest corners lie exactly on the plane: skipped,
    // although the triangle's vertex is below. Lowered by the least amount: visited.
    MeshTreeNode* root = mesh->meshTree->root;
    root->bounds.min.y = 0.0f;
    EXPECT_TRUE(collide(mesh, ground).empty());
    root->bounds.min.y = -std::numeric_limits<float>::denorm_min();
    EXPECT_EQ(collide(ground, mesh).size(), 1u);
}

TEST(PlaneWalk, ContactsAtTheMeshVerticesBehindThePlane)
{
    MeshStore meshes;
    BodyStore bodies;
    MeshData box = boxMesh(Vector3{1, 1, 1});
    TriangleMeshBody* mesh = meshes.body(std::move(box), Vector3{0, 0.9f, 0});
    const ContactList contacts = collide(mesh, bodies.plane(Vector3{0, 1, 0}, 0));
    // Each of the four bottom corners once, although several triangles share it.
    ASSERT_EQ(contacts.size(), 4u);
    for (const Contact& c : contacts) {
        EXPECT_FLOAT_EQ(c.point.y, -0.1f);
        expectVector(c.normal, 0, 1, 0);
    }
}

// Mesh against mesh.

// A horizontal triangle facing up around (x, y, 0) and a vertical one facing +z
// crossing the plane y = height near (x, 0).
void addHorizontal(MeshData& m, float x, float y)
{
    m.addTriangle(Vector3{x - 1, y, -1}, Vector3{x - 1, y, 1}, Vector3{x + 1, y, -1});
}
void addVertical(MeshData& m, float x, float z)
{
    m.addTriangle(Vector3{x - 0.25f, -1, z}, Vector3{x + 0.25f, -1, z}, Vector3{x, 3, z});
}

TEST(MeshMeshWalk, TwoLeavesTestEveryPairWithTheFirstMeshOutside)
{
    MeshData f, s;
    addHorizontal(f, 0, 0);
    addHorizontal(f, 5, 0);
    addVertical(s, 5.2f, -0.5f);  // crosses f's second triangle
    addVertical(s, 0.2f, -0.5f);  // crosses f's first triangle
    MeshStore meshes;
    TriangleMeshBody* first = meshes.body(std::move(f), Vector3{0, 0, 0});
    TriangleMeshBody* second = meshes.body(std::move(s), Vector3{0, 0, 0});
    ASSERT_EQ(first->meshTree->root->left, nullptr);
    ASSERT_EQ(second->meshTree->root->left, nullptr);

    const ContactList contacts = collide(first, second);
    ASSERT_EQ(contacts.size(), 2u);
    EXPECT_NEAR(contacts[0].point.x, 0.2f, 1e-5);
    EXPECT_NEAR(contacts[1].point.x, 5.2f, 1e-5);
    for (const Contact& c : contacts) {
        EXPECT_EQ(c.bodyA, first);
        expectVector(c.normal, 0, 0, 1);
    }

    const ContactList reversed = collide(second, first);
    ASSERT_EQ(reversed.size(), 2u);
    EXPECT_NEAR(reversed[0].point.x, 5.2f, 1e-5);
    EXPECT_NEAR(reversed[1].point.x, 0.2f, 1e-5);
    for (const Contact& c : reversed) {
        EXPECT_EQ(c.bodyA, second);
        expectVector(c.normal, 0, 1, 0);
    }
}

// Two clusters far apart along x, each of nine triangles (one leaf each).
MeshData horizontalClusters()
{
    MeshData m;
    for (float x : {-20.0f, 20.0f})
        for (int i = 0; i < 9; ++i) addHorizontal(m, x, 0.1f * float(i));
    return m;
}
MeshData verticalClusters()
{
    MeshData m;
    for (float x : {-20.0f, 20.0f})
        for (int j = 0; j < 9; ++j) addVertical(m, x, -0.8f + 0.1f * float(j));
    return m;
}

TEST(MeshMeshWalk, LeafAgainstInnerNodePutsTheInnerMeshFirst)
{
    MeshData leafMesh;
    addHorizontal(leafMesh, 20, 0.5f);
    addHorizontal(leafMesh, -20, 0.5f);
    MeshStore meshes;
    TriangleMeshBody* first = meshes.body(std::move(leafMesh), Vector3{0, 0, 0});
    TriangleMeshBody* second = meshes.body(verticalClusters(), Vector3{0, 0, 0});
    ASSERT_EQ(first->meshTree->root->left, nullptr);
    ASSERT_NE(second->meshTree->root->left, nullptr);

    const ContactList contacts = collide(first, second);
    ASSERT_EQ(contacts.size(), 18u);
    for (std::size_t i = 0; i < contacts.size(); ++i) {
        // The second mesh's leaves in the outer loop, left (x = -20) first.
        EXPECT_EQ(contacts[i].bodyA, second) << i;
        EXPECT_EQ(contacts[i].bodyB, first) << i;
        expectVector(contacts[i].normal, 0, 1, 0);
        EXPECT_NEAR(contacts[i].point.x, i < 9 ? -20 : 20, 0.3) << i;
    }
}

// Two clusters of nine long walls facing +z, one at z from -0.95 to -0.55 and one
// at z from -0.3 to -0.06: the tree splits them on z, and every wall crosses the
// triangles of both clusters of horizontalClusters().
MeshData longWalls()
{
    MeshData m;
    for (float z0 : {-0.95f, -0.3f})
        for (int j = 0; j < 9; ++j) {
            const float z = z0 + 0.03f * float(j);
            m.addTriangle(Vector3{-20.5f, -1, z}, Vector3{19.5f, -1, z}, Vector3{-0.5f, 100, z});
        }
    return m;
}

TEST(MeshMeshWalk, InnerNodesPairTheirChildrenLeftLeftLeftRightRightLeftRightRight)
{
    MeshStore meshes;
    TriangleMeshBody* first = meshes.body(horizontalClusters(), Vector3{0, 0, 0});
    TriangleMeshBody* second = meshes.body(longWalls(), Vector3{0, 0, 0});
    ASSERT_NE(first->meshTree->root->left, nullptr);
    ASSERT_NE(second->meshTree->root->left, nullptr);
    ASSERT_EQ(second->meshTree->root->left->left, nullptr);

    // Pairing of a contact: first mesh's cluster (x) and second mesh's cluster (z).
    auto pairing = [](const Contact& c) { return (c.point.x > 0 ? 2 : 0) + (c.point.z > -0.45f ? 1 : 0); };
    const ContactList contacts = collide(first, second);
    ASSERT_EQ(contacts.size(), 4u * 81u);
    for (std::size_t i = 0; i < contacts.size(); ++i) {
        EXPECT_EQ(contacts[i].bodyA, first) << i;
        expectVector(contacts[i].normal, 0, 0, 1);
        EXPECT_EQ(pairing(contacts[i]), int(i / 81)) << i;
    }
    expectSound(contacts);

    // The same pair searched again finds only points already listed.
    ContactList twice = contacts;
    collideTriMeshTriMesh(first, second, &twice);
    EXPECT_EQ(twice.size(), contacts.size());
}

TEST(MeshMeshWalk, LeafPairsTestEveryTrianglePairInWorldSpace)
{
    // Leaves of 20 triangles (one centroid, so no split) and of 2, each side first,
    // on turned and moved meshes: the same contacts as the triangle test called on
    // every pair of world triangles, first leaf outside.
    MeshData fan;
    for (int i = 0; i < 20; ++i) {
        const float a = 0.3f * float(i);
        const Vector3 d{std::cos(a), 0, std::sin(a)};
        fan.addTriangle(d * -0.5f + Vector3{0, -0.6f, 0}, d * 0.5f + Vector3{0, -0.6f, 0}, Vector3{0, 1.2f, 0});
    }
    MeshData pair;
    addHorizontal(pair, 0, 0.1f);
    addHorizontal(pair, 0.2f, -0.2f);
    MeshStore meshes;
    TriangleMeshBody* big = meshes.body(std::move(fan), Vector3{0.1f, 0, 0.05f}, true, 1, tilt);
    TriangleMeshBody* small = meshes.body(std::move(pair), Vector3{0, 0.02f, 0}, true, 1, Matrix3::makeRotationX(0.2f));
    ASSERT_EQ(big->meshTree->root->left, nullptr);
    ASSERT_EQ(big->meshTree->root->triangleCount, 20u);

    auto world = [](const TriangleMeshBody* mesh, int t, Vector3 out[3]) {
        const MeshTree* tree = mesh->meshTree;
        const Matrix4 m = Matrix4::makeTranslation(mesh->position) * Matrix4::fromRotation(mesh->rotation);
        for (int k = 0; k < 3; ++k) {
            const float* v = tree->vertices + 3 * tree->triangles[3 * t + k];
            out[k] = Matrix4::transformAffine(m, Vector3{v[0], v[1], v[2]});
        }
    };
    for (auto [f, s] : {std::pair{big, small}, std::pair{small, big}}) {
        ContactList expected;
        for (int i = 0; i < f->meshTree->triangleCount; ++i)
            for (int j = 0; j < s->meshTree->triangleCount; ++j) {
                Vector3 p[3], q[3];
                world(f, i, p);
                world(s, j, q);
                collideTriangleTriangle(p, q, f, s, &expected);
            }
        EXPECT_GT(expected.size(), 10u);
        expectSameContacts(collide(f, s), expected);
    }
}

// Bodies settling on meshes in a simulation: contact normals that point the wrong
// way let a body sink through. The drops land inside a floor triangle, away from
// its edges, where a neighbour's edge contact would come first and push sideways.

struct Settling {
    const char* name;
    std::function<void(MeshStore&, BodyStore&, Simulator<ODERungeKutta>&)> build;
    float minimumHeight, maximumHeight;  // of body 0 after three seconds
};

TEST(MeshPairsInASimulation, BodiesComeToRestOnMeshesAndMeshesOnPlanes)
{
    const Settling cases[] = {
        {"sphere on a static floor mesh",
         [](MeshStore& m, BodyStore& b, Simulator<ODERungeKutta>& sim) {
             sim.addBody(b.sphere(Vector3{0.7f, 1.5f, 1.3f}, 0.5f));
             sim.addBody(m.body(floorMesh(4, 4), Vector3{0, 0, 0}));
         },
         0.3f, 0.6f},
        {"sphere mesh on a plane",
         [](MeshStore& m, BodyStore& b, Simulator<ODERungeKutta>& sim) {
             sim.addBody(m.body(sphereMesh(12, 8, 0.5f), Vector3{0, 1.5f, 0}, true));
             sim.addBody(b.plane(Vector3{0, 1, 0}, 0));
         },
         0.3f, 0.6f},
        {"sphere mesh on a static floor mesh",
         [](MeshStore& m, BodyStore&, Simulator<ODERungeKutta>& sim) {
             sim.addBody(m.body(sphereMesh(12, 8, 0.5f), Vector3{0.7f, 1.5f, 1.3f}, true));
             sim.addBody(m.body(floorMesh(4, 4), Vector3{0, 0, 0}));
         },
         0.3f, 0.6f},
        {"static floor mesh first",
         [](MeshStore& m, BodyStore&, Simulator<ODERungeKutta>& sim) {
             TriangleMeshBody* ball = m.body(sphereMesh(12, 8, 0.5f), Vector3{0.7f, 1.5f, 1.3f}, true);
             sim.addBody(m.body(floorMesh(4, 4), Vector3{0, 0, 0}));
             sim.addBody(ball);
         },
         0.3f, 0.6f},
    };
    for (const Settling& c : cases) {
        SCOPED_TRACE(c.name);
        MeshStore meshes;
        BodyStore bodies;
        Simulator<ODERungeKutta> sim;
        c.build(meshes, bodies, sim);
        sim.commitBodies();
        RigidBody* moving = sim.getBody(0)->inverseMass > 0 ? sim.getBody(0) : sim.getBody(1);
        bool touched = false;
        for (int step = 0; step < 180; ++step) {
            sim.simulate(step / 60.0f, (step + 1) / 60.0f);
            touched = touched || sim.getNumContacts() > 0;
        }
        EXPECT_TRUE(touched);
        EXPECT_GT(moving->position.y, c.minimumHeight);
        EXPECT_LT(moving->position.y, c.maximumHeight);
    }
}

}  // namespace
