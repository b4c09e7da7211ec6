#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>

#include "Bodies.h"
#include "Meshes.h"
#include "sim/rigidbody/MeshTree.h"
#include "sim/rigidbody/RigidBody.h"
#include "sim/rigidbody/Simulator.h"

using namespace physics;
using namespace physics::rigidbody;

namespace {

TEST(BodyInit, BoxInertiaOfASolidBox)
{
    BoxBody box;
    initBox(&box, 12.0f, 1.0f, 2.0f, 3.0f);
    EXPECT_EQ(box.shapeType, SHAPE_BOX);
    EXPECT_EQ(box.mass, 12.0f);
    EXPECT_EQ(box.inverseMass, 1.0f / 12.0f);
    EXPECT_EQ(box.halfExtents.x, 0.5f);
    EXPECT_EQ(box.halfExtents.y, 1.0f);
    EXPECT_EQ(box.halfExtents.z, 1.5f);
    EXPECT_EQ(box.inertia[0][0], 13.0f);
    EXPECT_EQ(box.inertia[1][1], 10.0f);
    EXPECT_EQ(box.inertia[2][2], 5.0f);
    EXPECT_EQ(box.inertia[0][1], 0.0f);
    EXPECT_FLOAT_EQ(box.inverseInertia[0][0], 1.0f / 13.0f);
    EXPECT_FLOAT_EQ(box.inverseInertia[1][1], 0.1f);
    EXPECT_FLOAT_EQ(box.inverseInertia[2][2], 0.2f);
    EXPECT_EQ(box.inverseInertia[2][0], 0.0f);
}

TEST(BodyInit, SphereInertiaIsAlwaysIdentity)
{
    for (float mass : {0.5f, 1.0f, 40.0f}) {
        SphereBody s;
        initSphere(&s, mass, 3.0f);
        EXPECT_EQ(s.shapeType, SHAPE_SPHERE);
        EXPECT_EQ(s.radius, 3.0f);
        EXPECT_EQ(s.inverseMass, 1.0f / mass);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(s.inertia[r][c], r == c ? 1.0f : 0.0f);
                EXPECT_EQ(s.inverseInertia[r][c], r == c ? 1.0f : 0.0f);
            }
    }
}

TEST(BodyInit, PlaneIsStaticAndCopiedAsGiven)
{
    PlaneBody p;
    EXPECT_EQ(p.plane.normal.x, 0.0f);
    EXPECT_EQ(p.plane.normal.y, 0.0f);
    EXPECT_EQ(p.plane.normal.z, 0.0f);
    EXPECT_EQ(p.plane.d, 0.0f);

    initPlane(&p, Plane{Vector3{0.0f, 2.0f, 0.0f}, -3.0f});  // not normalised, and kept so
    EXPECT_EQ(p.shapeType, SHAPE_PLANE);
    EXPECT_EQ(p.mass, 1.0f);
    EXPECT_EQ(p.inverseMass, 0.0f);
    EXPECT_EQ(p.plane.normal.y, 2.0f);
    EXPECT_EQ(p.plane.d, -3.0f);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(p.inertia[r][c], 0.0f);
            EXPECT_EQ(p.inverseInertia[r][c], 0.0f);
        }
}

}  // namespace

namespace {

// The inertia diagonal is one double expression, mass / 12.0 * (sum of two squares),
// rounded once; float squares or a float mass / 12 would give other floats.
TEST(BodyInit, BoxInertiaIsOneDoubleExpression)
{
    int differsFromFloat = 0;
    for (int i = 1; i <= 100; ++i) {
        const float mass = 0.37f * i, sx = 0.113f * i, sy = 1.7f + 0.071f * i, sz = 2.9f - 0.013f * i;
        BoxBody box;
        initBox(&box, mass, sx, sy, sz);
        const double x2 = double(sx) * sx, y2 = double(sy) * sy, z2 = double(sz) * sz;
        EXPECT_EQ(box.inertia[0][0], float(mass / 12.0 * (y2 + z2)));
        EXPECT_EQ(box.inertia[1][1], float(mass / 12.0 * (x2 + z2)));
        EXPECT_EQ(box.inertia[2][2], float(mass / 12.0 * (x2 + y2)));
        EXPECT_EQ(box.halfExtents.y, float(sy * 0.5));
        if (box.inertia[0][0] != mass / 12.0f * (sy * sy + sz * sz)) ++differsFromFloat;
    }
    EXPECT_GT(differsFromFloat, 0) << "the cases must tell the two rules apart";
}

}  // namespace


namespace {

const float nan = std::numeric_limits<float>::quiet_NaN();
const float inf = std::numeric_limits<float>::infinity();

// The message of the std::invalid_argument the call throws, or "" when it throws none.
std::string refusal(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "";
}

TEST(BodyInit, BadMassesAndSizesAreRefusedNamingTheValue)
{
    testing_support::MeshData cube = testing_support::boxMesh(Vector3{1, 1, 1});
    auto mesh = [&](float mass, bool dynamic) {
        return [&cube, mass, dynamic] {
            TriangleMeshBody body{};
            initTriangleMesh(&body, mass, cube.vertexCount(), cube.vertices.data(), cube.triangleCount(),
                             cube.indices.data(), dynamic);
            delete body.meshTree;
        };
    };
    const float justAbove = std::nextafter(MAX_BODY_REACH, inf);
    struct Case {
        const char* name;
        std::function<void()> call;
        const char* message;  // "" when the body is taken
    };
    const Case cases[] = {
        {"sphere of mass NaN", [] { SphereBody s; initSphere(&s, nan, 1); }, "sphere: mass nan is not a finite"},
        {"sphere of mass -1", [] { SphereBody s; initSphere(&s, -1, 1); }, "sphere: mass -1 is not a finite positive"},
        {"sphere of mass 0", [] { SphereBody s; initSphere(&s, 0, 1); }, "sphere: mass 0 is not a finite positive"},
        {"sphere of infinite mass", [] { SphereBody s; initSphere(&s, inf, 1); }, "sphere: mass inf is not"},
        {"sphere whose inverse mass overflows", [] { SphereBody s; initSphere(&s, 1e-39f, 1); },
         "sphere: mass 1e-39 has no float inverse or weight"},
        {"sphere whose weight overflows", [] { SphereBody s; initSphere(&s, 1e38f, 1); },
         "sphere: mass 1e+38 has no float inverse or weight"},
        {"sphere of radius -1", [] { SphereBody s; initSphere(&s, 1, -1); }, "sphere: radius -1 is negative"},
        {"sphere of radius NaN", [] { SphereBody s; initSphere(&s, 1, nan); }, "sphere: radius nan is not finite"},
        {"sphere just beyond the reach", [=] { SphereBody s; initSphere(&s, 1, justAbove); },
         "sphere: radius 1e+06 reaches beyond 1e+06 from the centre"},
        {"sphere at the reach", [] { SphereBody s; initSphere(&s, 1, MAX_BODY_REACH); }, ""},
        {"sphere of radius 0", [] { SphereBody s; initSphere(&s, 1, 0); }, ""},
        {"box of mass NaN", [] { BoxBody b; initBox(&b, nan, 1, 1, 1); }, "box: mass nan"},
        {"box of size y -2", [] { BoxBody b; initBox(&b, 1, 1, -2, 1); }, "box: size y -2 is negative"},
        {"box of infinite size z", [] { BoxBody b; initBox(&b, 1, 1, 1, inf); }, "box: size z inf is not finite"},
        {"box 1e20 across", [] { BoxBody b; initBox(&b, 1, 1e20f, 1e20f, 1e20f); }, "box: size x 1e+20 reaches beyond"},
        {"box flat in y", [] { BoxBody b; initBox(&b, 1, 1, 0, 1); }, ""},
        {"box at the reach", [] { BoxBody b; initBox(&b, 1, 2e6f, 2e6f, 2e6f); }, ""},
        {"heavy box at the reach", [] { BoxBody b; initBox(&b, 1e30f, 2e6f, 1, 1); },
         "box: mass and size give an inertia of inf"},
        {"movable mesh of mass NaN", mesh(nan, true), "mesh: mass nan"},
        {"static mesh of mass -4", mesh(-4, false), "mesh: mass -4"},
        {"static mesh of mass 4", mesh(4, false), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string message = refusal(c.call);
        if (*c.message == 0) {
            EXPECT_EQ(message, "");
        } else {
            EXPECT_EQ(message.find(c.message), 0u) << message;
        }
    }
}

TEST(BodyInit, MeshWithAVertexNotFiniteOrTooFarIsRefusedAndTheBodyKept)
{
    for (float bad : {nan, -inf, -2e6f}) {
        SCOPED_TRACE(bad);
        testing_support::MeshData m = testing_support::boxMesh(Vector3{1, 1, 1});
        m.vertices[3 * 5 + 1] = bad;  // vertex 5, y
        TriangleMeshBody body{};
        body.mass = 7.0f;
        const std::string message = refusal([&] {
            initTriangleMesh(&body, 1.0f, m.vertexCount(), m.vertices.data(), m.triangleCount(), m.indices.data(),
                             true);
        });
        EXPECT_EQ(message.find("mesh: vertex 5 at "), 0u) << message;
        EXPECT_EQ(body.meshTree, nullptr);
        EXPECT_EQ(body.mass, 7.0f);
    }
}

// What the simulator takes: bodies changed after their initialiser are checked
// again where they are handed over.
TEST(BodyInit, SimulatorRefusesBadBodiesItIsHanded)
{
    testing_support::BodyStore store;
    testing_support::MeshStore meshes;
    struct Case {
        const char* name;
        std::function<RigidBody*()> make;
        const char* message;
    };
    const Case cases[] = {
        {"sphere whose mass became NaN",
         [&] {
             RigidBody* b = store.sphere(Vector3{0, 1, 0}, 0.5f);
             b->mass = nan;
             return b;
         },
         "sphere: mass nan"},
        {"box of negative inverse mass",
         [&] {
             RigidBody* b = store.box(Vector3{0, 1, 0}, Vector3{1, 1, 1});
             b->inverseMass = -1;
             return b;
         },
         "box: inverse mass -1 is negative or not finite"},
        {"sphere grown beyond the reach",
         [&] {
             SphereBody* b = store.sphere(Vector3{0, 1, 0}, 0.5f);
             b->radius = 1e30f;
             return b;
         },
         "sphere: radius 1e+30 reaches beyond"},
        {"box of a NaN half extent",
         [&] {
             BoxBody* b = store.box(Vector3{0, 1, 0}, Vector3{1, 1, 1});
             b->halfExtents.z = nan;
             return b;
         },
         "box: half extent z nan is not finite"},
        {"mesh body without a tree",
         [&] {
             TriangleMeshBody* b = meshes.body(testing_support::boxMesh(Vector3{1, 1, 1}), Vector3{0, 1, 0}, true);
             delete b->meshTree;
             b->meshTree = nullptr;
             return b;
         },
         "mesh: no mesh tree"},
        {"plane", [&] { return store.plane(Vector3{0, 1, 0}, 0.0f); }, ""},
        {"static box",
         [&] {
             RigidBody* b = store.box(Vector3{0, 1, 0}, Vector3{1, 1, 1});
             b->inverseMass = 0;
             return b;
         },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Simulator<ODERungeKutta> sim;
        RigidBody* body = c.make();
        const std::string message = refusal([&] { sim.addBody(body); });
        if (*c.message == 0) {
            EXPECT_EQ(message, "");
            EXPECT_EQ(sim.mPendingBodies.size(), 1u);
        } else {
            EXPECT_EQ(message.find(c.message), 0u) << message;
            EXPECT_TRUE(sim.mPendingBodies.empty());
        }
    }
}

}  // namespace
