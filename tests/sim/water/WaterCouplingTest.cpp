#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <functional>
#include <limits>
#include <vector>

#include "Bodies.h"
#include "Meshes.h"
#include "ReferenceWater.h"
#include "WaterChecks.h"
#include "sim/rigidbody/AbstractSimulator.h"
#include "sim/rigidbody/Simulator.h"
#include "sim/water/RayTests.h"
#include "sim/water/WaterSimulator.h"

using physics::Vector3;
using physics::rigidbody::AbstractSimulator;
using physics::rigidbody::AppliedForce;
using physics::rigidbody::Contact;
using physics::rigidbody::RigidBody;
using physics::water::WaterModifier;
using physics::water::WaterSimulator;
using testing_support::BodyStore;
using testing_support::MeshData;
using testing_support::MeshStore;

namespace {

// Hands the coupling its bodies and keeps the forces it adds.
class RecordingSimulator : public AbstractSimulator {
public:
    std::vector<RigidBody*> bodies;
    std::vector<AppliedForce> forces;
    std::function<void()> onCount;
    int counts = 0;

    RigidBody* getBody(unsigned index) override { return bodies.at(index); }
    unsigned getNumBodies() override
    {
        ++counts;
        if (onCount) onCount();
        return unsigned(bodies.size());
    }
    Contact* getContact(unsigned) override { return nullptr; }
    unsigned getNumContacts() override { return 0; }
    void clearForces() override { forces.clear(); }
    void addForce(const Vector3& point, const Vector3& force, RigidBody* body) override
    {
        forces.push_back(AppliedForce{point, force, body});
    }

    Vector3 totalForce() const
    {
        double x = 0, y = 0, z = 0;
        for (const AppliedForce& f : forces) {
            x += f.force.x;
            y += f.force.y;
            z += f.force.z;
        }
        return Vector3{float(x), float(y), float(z)};
    }
};

// World x (or z) of lattice ray i in a domain of the given size.
float rayCoordinate(int i, float size) { return float(i / 257.0 * size - size / 2.0); }

// The 65 x 65 water of the programs (or n x n) over 50 x 50 units, flat ground at
// 0, level 1, its border already dried by a step without bodies.
struct Pond {
    WaterSimulator water;
    RecordingSimulator bodies;
    explicit Pond(int n = 65) : water(nullptr, 50.0f, 1.0f, n)
    {
        water.step(0.0f);
        water.mRigidBodySimulator = &bodies;
    }
    RigidBody* add(RigidBody* body)
    {
        bodies.bodies.push_back(body);
        return body;
    }
    // Coupling plus a flow update that moves nothing (dt = 0).
    void couple()
    {
        bodies.clearForces();
        water.step(0.0f);
    }
};

const float a = 0.1953125f;  // (50 / 256), the side of each ray's square
const float A = a * a;

}  // namespace

TEST(WaterCoupling, RayOnTheCentreNodeCarriesTheWorkedValues)
{
    BodyStore store;
    Pond pond;
    const float c = rayCoordinate(128, 50.0f);
    EXPECT_NEAR(c, -0.0972763f, 1e-7f);
    EXPECT_NEAR(A, 0.03814697f, 1e-8f);
    // Small enough that only ray (128, 128) meets it; centred on the surface. (A
    // sphere this small would be missed: from 1000 below, its discriminant is lost
    // to float rounding.)
    pond.add(store.box(Vector3{c, 1.0f, c}, Vector3{0.1f, 0.1f, 0.1f}, 0.01f));
    pond.couple();

    ASSERT_EQ(pond.bodies.forces.size(), 1u);
    const AppliedForce& f = pond.bodies.forces[0];
    const float d = pond.water.mPreviousDisplacement(32, 32);
    EXPECT_NEAR(d, 0.05f, 1e-4f);
    EXPECT_EQ(f.force.y, float(float(float(float(9.81f * a) * a) * d) * 1.0f));
    EXPECT_EQ(f.force.x, 0.0f);
    EXPECT_EQ(f.force.z, 0.0f);
    EXPECT_EQ(f.point.x, c);
    EXPECT_EQ(f.point.z, c);
    EXPECT_NEAR(f.point.y, 1.0f - 0.025f, 1e-4f);  // middle of the submerged part

    // The node's column went out to its four neighbours; the node keeps its depth.
    const float q = float(0.25 * d);
    for (auto xz : {std::pair<int, int>{31, 32}, {33, 32}, {32, 31}, {32, 33}})
        EXPECT_EQ(pond.water.mDepth(xz.first, xz.second), float(1.0 + q));
    EXPECT_EQ(pond.water.mDepth(32, 32), 1.0f);
    EXPECT_EQ(pond.water.mDepth(34, 32), 1.0f);
}

TEST(WaterCoupling, OnlyMovableBodiesOfKnownShapeTakePart)
{
    struct Case {
        float inverseMass;
        bool takesPart;
    };
    const Case cases[] = {
        {0.0f, false},
        {0.99e-5f, false},
        {1e-5f, false},  // as a float just below the double 1e-5
        {std::nextafter(1e-5f, 1.0f), true},
        {-1.0f, true},
        {1.0f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inverseMass);
        BodyStore store;
        Pond pond;
        pond.add(store.sphere(Vector3{0.3f, 1.0f, 0.2f}, 0.5f))->inverseMass = c.inverseMass;
        pond.couple();
        EXPECT_EQ(!pond.bodies.forces.empty(), c.takesPart);
        double displaced = 0;
        for (std::size_t i = 0; i < pond.water.mPreviousDisplacement.size(); ++i)
            displaced += pond.water.mPreviousDisplacement.data[i];
        EXPECT_EQ(displaced > 0, c.takesPart);
    }

    BodyStore store;
    MeshStore meshes;
    Pond pond;
    pond.add(store.plane(Vector3{0, 1, 0}, -0.5f))->inverseMass = 1.0f;
    pond.add(meshes.body(testing_support::boxMesh(Vector3{1, 1, 1}), Vector3{0, 1, 0}, false));
    pond.couple();
    EXPECT_TRUE(pond.bodies.forces.empty());
}

TEST(WaterCoupling, BodiesAboveTheHighestWaterAreSkipped)
{
    BodyStore store;
    Pond pond;
    ASSERT_EQ(pond.water.mMaxSurface, 1.0f);
    pond.add(store.sphere(Vector3{0, std::nextafter(1.5f, 2.0f), 0}, 0.5f));
    pond.add(store.box(Vector3{3, 1.5f, 3}, Vector3{1, 1, 1}))->position.y = std::nextafter(1.5f, 2.0f);
    pond.couple();
    EXPECT_TRUE(pond.bodies.forces.empty());
}

namespace {

struct DepthAdder : WaterModifier {
    void apply(float, WaterSimulator* water) override { water->addDepth(20, 20, 0.5f); }
};

}  // namespace

TEST(WaterCoupling, RunsOnlyWhenAttachedAfterTheModifiersBeforeTheFlow)
{
    WaterSimulator water(nullptr, 50.0f, 1.0f, 65);
    water.step(0.0f);
    // A flow that every step visibly moves.
    for (int z = 10; z < 30; ++z)
        for (int x = 10; x < 30; ++x) water.mVelocityX(x, z) = 0.5f;
    DepthAdder adder;
    water.addModifier(&adder);

    RecordingSimulator bodies;
    water.step(1.0f / 60.0f);
    EXPECT_EQ(bodies.counts, 0);

    water.mRigidBodySimulator = &bodies;
    std::vector<float> expected = watertest::copyOf(water.mDepth);
    expected[20 + 20 * 65] += 0.5f;
    std::vector<float> seen;
    bodies.onCount = [&] {
        if (seen.empty()) seen = watertest::copyOf(water.mDepth);
    };
    water.step(1.0f / 60.0f);
    EXPECT_GE(bodies.counts, 1);
    EXPECT_EQ(seen, expected);
    EXPECT_NE(watertest::copyOf(water.mDepth), expected);
}

TEST(WaterCoupling, SphereAtTheSurfaceCarriesItsHalfVolume)
{
    // The lattice samples a sphere of radius 0.5 with about 19 rays (measured
    // 1.020 of the half volume here, 0.94 to 1.02 elsewhere), one of radius 2 with
    // about 330 (measured 1.005 to 1.008: the rays are spaced by 1/257 of the
    // domain but stand for 1/256 of it).
    struct Case {
        float radius;
        double tolerance;
    };
    for (const Case& c : {Case{0.5f, 0.05}, Case{2.0f, 0.01}}) {
        SCOPED_TRACE(c.radius);
        BodyStore store;
        Pond pond;
        pond.add(store.sphere(Vector3{0.37f, 1.0f, -0.81f}, c.radius));
        pond.couple();

        const double halfVolume = 2.0 / 3.0 * 3.14159265358979 * c.radius * c.radius * c.radius;
        const Vector3 total = pond.bodies.totalForce();
        EXPECT_NEAR(total.y / (9.81 * halfVolume), 1.0, c.tolerance);
        for (const AppliedForce& f : pond.bodies.forces) {
            ASSERT_EQ(f.force.x, 0.0f);
            ASSERT_EQ(f.force.z, 0.0f);
            ASSERT_GE(f.force.y, 0.0f);
            ASSERT_LE(f.point.y, 1.0f);
        }
    }
}

TEST(WaterCoupling, SubmergedBoxRaysCarryTheirInsideLengthAtItsMiddle)
{
    BodyStore store;
    Pond pond;
    pond.add(store.box(Vector3{2.0f, 0.5f, 1.0f}, Vector3{0.6f, 0.4f, 0.6f}));
    pond.couple();
    ASSERT_FALSE(pond.bodies.forces.empty());
    for (const AppliedForce& f : pond.bodies.forces) {
        ASSERT_NEAR(f.force.y, 9.81 * A * 0.4, 1e-4);
        ASSERT_NEAR(f.point.y, 0.5f, 1e-4f);
    }
    // About (257 / 50)^2 rays per square unit over the 0.6 x 0.6 footprint.
    EXPECT_NEAR(double(pond.bodies.forces.size()), 0.36 * (257.0 / 50) * (257.0 / 50), 4.0);
}

TEST(WaterCoupling, RaysEnteringAtOrAboveTheSurfaceDoNothing)
{
    // Bodies reaching below the water (at 1) only in the middle of their
    // footprint: the rays further out enter them above the surface and must add
    // nothing, while those entering below carry d = 1 - entry.
    using physics::Ray;
    struct Case {
        const char* name;
        std::function<RigidBody*(BodyStore&)> make;
        std::function<bool(RigidBody*, const Ray&, unsigned&, Vector3*)> cast;
    };
    const Case cases[] = {
        {"sphere of radius 0.5 centred 0.3 above",
         [](BodyStore& s) -> RigidBody* { return s.sphere(Vector3{0.37f, 1.3f, -0.81f}, 0.5f); },
         [](RigidBody* b, const Ray& ray, unsigned& count, Vector3* points) {
             const auto* sphere = static_cast<physics::rigidbody::SphereBody*>(b);
             return physics::raySphere(physics::Sphere{sphere->position, sphere->radius}, count, points, ray);
         }},
        {"box standing on an edge, centred 0.2 above",
         [](BodyStore& s) -> RigidBody* {
             return s.box(Vector3{-1.13f, 1.2f, 2.41f}, Vector3{0.8f, 0.6f, 0.6f}, 1.0f,
                          physics::Matrix3::makeRotationX(0.785398163f));
         },
         [](RigidBody* b, const Ray& ray, unsigned& count, Vector3* points) {
             return physics::rayOrientedBox(ray, *static_cast<physics::rigidbody::BoxBody*>(b), count, points);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BodyStore store;
        Pond pond;
        RigidBody* body = pond.add(c.make(store));
        pond.couple();

        // The lattice rays in the coupling's order, with their lower points.
        std::vector<Vector3> entries;
        int above = 0;
        for (int k = 0; k <= 256; ++k)
            for (int i = 0; i <= 256; ++i) {
                const Ray ray{Vector3{rayCoordinate(i, 50.0f), -1000.0f, rayCoordinate(k, 50.0f)}, Vector3{0, 1, 0}};
                unsigned count = 0;
                Vector3 points[2];
                if (!c.cast(body, ray, count, points) || count != 2) continue;
                const Vector3& entry = points[1].y < points[0].y ? points[1] : points[0];
                if (entry.y < 1.0f)
                    entries.push_back(entry);
                else
                    ++above;
            }
        ASSERT_GT(above, 5);
        ASSERT_GT(entries.size(), 5u);
        EXPECT_EQ(pond.bodies.forces.size(), entries.size());
        if (pond.bodies.forces.size() != entries.size()) continue;
        for (std::size_t r = 0; r < entries.size(); ++r) {
            const AppliedForce& f = pond.bodies.forces[r];
            const double d = 1.0 - entries[r].y;
            EXPECT_NEAR(f.force.y, 9.81 * A * d, 1e-6) << "ray " << r;
            EXPECT_EQ(f.point.x, entries[r].x);
            EXPECT_EQ(f.point.z, entries[r].z);
            EXPECT_NEAR(f.point.y, entries[r].y + d / 2, 1e-6);
        }
    }
}

TEST(WaterCoupling, DragFollowsTheWaterAndDampingOpposesVerticalMotion)
{
    struct Case {
        Vector3 bodyVelocity;
        float waterU, waterW;
        float dampingSign;
    };
    const Case cases[] = {
        {Vector3{0, 0, 0}, 0.5f, -0.25f, 0},
        {Vector3{1, 0, 0}, 0.0f, 0.0f, 0},
        {Vector3{0.2f, 2.0f, -0.3f}, 0.0f, 0.0f, -1},
        {Vector3{0, -0.01f, 0}, 0.0f, 0.0f, 1},
        {Vector3{0, 1e-24f, 0}, 0.0f, 0.0f, -1},  // its square underflows
        {Vector3{0, -1e20f, 0}, 0.0f, 0.0f, 1},   // its square overflows
    };
    auto forcesOf = [](const Vector3& bodyVelocity, float u, float w) {
        BodyStore store;
        Pond pond;
        for (std::size_t i = 0; i < pond.water.mVelocityX.size(); ++i) {
            pond.water.mVelocityX.data[i] = u;
            pond.water.mVelocityZ.data[i] = w;
        }
        pond.add(store.sphere(Vector3{0.37f, 1.0f, -0.81f}, 0.5f))->velocity = bodyVelocity;
        pond.couple();
        return pond.bodies.forces;
    };
    const std::vector<AppliedForce> still = forcesOf(Vector3{0, 0, 0}, 0.0f, 0.0f);
    ASSERT_FALSE(still.empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bodyVelocity.x << " " << c.bodyVelocity.y << " " << c.bodyVelocity.z);
        const std::vector<AppliedForce> moving = forcesOf(c.bodyVelocity, c.waterU, c.waterW);
        ASSERT_EQ(moving.size(), still.size());
        for (std::size_t i = 0; i < still.size(); ++i) {
            const AppliedForce& f = moving[i];
            // A d, read off the buoyancy of the same ray with everything at rest.
            const double ad = still[i].force.y / 9.81;
            ASSERT_NEAR(f.force.x, ad * (c.waterU - c.bodyVelocity.x), 1e-6);
            ASSERT_NEAR(f.force.z, ad * (c.waterW - c.bodyVelocity.z), 1e-6);
            ASSERT_NEAR(f.force.y - still[i].force.y, c.dampingSign * 1.2 * A, 1e-6);
        }
    }
}

TEST(WaterCoupling, DisplacedColumnGoesOutOnceAndStaysOut)
{
    BodyStore store;
    Pond pond;
    const float c = rayCoordinate(128, 50.0f);
    // A thin box on the centre node reaching 0.4 below the surface.
    RigidBody* box = pond.add(store.box(Vector3{c, 1.1f, c}, Vector3{0.1f, 1.0f, 0.1f}));
    const std::pair<int, int> neighbours[] = {{31, 32}, {33, 32}, {32, 31}, {32, 33}};
    auto neighbourDepths = [&] {
        std::vector<float> d;
        for (auto xz : neighbours) d.push_back(pond.water.mDepth(xz.first, xz.second));
        return d;
    };

    pond.couple();
    const float column = pond.water.mPreviousDisplacement(32, 32);
    EXPECT_NEAR(column, 0.4f, 1e-4f);
    const float raised = float(1.0 + float(0.25 * column));
    EXPECT_NEAR(raised, 1.1f, 1e-4f);
    EXPECT_EQ(neighbourDepths(), std::vector<float>(4, raised));
    EXPECT_EQ(pond.water.mDepth(32, 32), 1.0f);

    pond.couple();  // the same column: nothing more goes out
    EXPECT_EQ(neighbourDepths(), std::vector<float>(4, raised));

    box->position.y = 3.0f;  // lifted out: the water stays where it went
    pond.couple();
    EXPECT_EQ(pond.water.mPreviousDisplacement(32, 32), 0.0f);
    EXPECT_EQ(neighbourDepths(), std::vector<float>(4, raised));

    box->position.y = 1.1f;  // dipped again: pushed out again
    pond.couple();
    for (float d : neighbourDepths()) EXPECT_NEAR(d, 1.2f, 2e-4f);
}

TEST(WaterCoupling, MeshRayPairsItsSortedHits)
{
    const float c = rayCoordinate(128, 50.0f);
    // Horizontal triangles around the body origin, given out of height order, and
    // a small one at 0 between the rays: no ray meets it, but it takes the body's
    // bounds below every surface, so each case reaches the ray's own test.
    auto layers = [](std::initializer_list<float> heights) {
        MeshData m;
        for (float y : heights)
            m.addTriangle(Vector3{-0.05f, y, -0.05f}, Vector3{-0.05f, y, 0.09f}, Vector3{0.09f, y, -0.05f});
        m.addTriangle(Vector3{0.25f, 0.0f, -0.05f}, Vector3{0.25f, 0.0f, 0.05f}, Vector3{0.3f, 0.0f, 0.0f});
        return m;
    };
    struct Case {
        std::initializer_list<float> heights;
        float surface;
        float velocityY;
        int forces;
        float d;
    };
    const Case cases[] = {
        {{3, 1, 4, 2}, 2.5f, 0, 1, 1.0f},
        {{3, 1, 4, 2}, 3.5f, 0, 1, 1.5f},
        {{3, 1, 4, 2}, 5.0f, 0, 1, 2.0f},
        {{3, 1, 4, 2}, 0.5f, 0, 0, 0.0f},
        {{1}, 2.0f, -1.0f, 1, 0.0f},  // a lone hit: damping only
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.surface);
        MeshStore meshes;
        WaterSimulator water(nullptr, 50.0f, k.surface, 65);
        RecordingSimulator bodies;
        water.mRigidBodySimulator = &bodies;
        RigidBody* body = meshes.body(layers(k.heights), Vector3{c, 0.0f, c}, true);
        body->velocity.y = k.velocityY;
        bodies.bodies.push_back(body);
        water.step(0.0f);

        ASSERT_EQ(int(bodies.forces.size()), k.forces);
        EXPECT_EQ(water.mPreviousDisplacement(32, 32), k.d);
        if (k.forces == 0) continue;
        const AppliedForce& f = bodies.forces[0];
        const float damping = k.velocityY == 0 ? 0.0f : float(float(float(1.2f) * a) * a);
        EXPECT_EQ(f.force.y, float(float(float(float(9.81f * a) * a) * k.d) + damping));
        EXPECT_EQ(f.point.y, float(1.0 + k.d / 2.0));
    }
}

TEST(WaterCoupling, RotatedMeshIsProbedInWorldSpace)
{
    // Two triangles lying level in the world at 0.6 and 1.3 over one footprint,
    // stored in the frame of a turned body: every vertical ray through the
    // footprint must meet them at those heights, whatever the turn, giving
    // d = 1 - 0.6 with its middle at 0.8 under the surface at 1.
    const Vector3 position{1.7f, 0.9f, -2.3f};
    const double footprint[3][2] = {{-0.7, -0.5}, {0.8, -0.4}, {-0.1, 0.9}};  // x, z from the position
    const float c = std::cos(0.5f), sn = std::sin(0.5f);
    const physics::Matrix3 turnZ{{{c, -sn, 0}, {sn, c, 0}, {0, 0, 1}}};
    struct Case {
        const char* name;
        float tiltX;
    };
    for (const Case& k : {Case{"tilted", 0.4f}, Case{"upside down", 2.7f}}) {
        SCOPED_TRACE(k.name);
        physics::Matrix3 rotation = turnZ;
        rotation *= physics::Matrix3::makeRotationX(k.tiltX);

        MeshData layers;
        for (double y : {0.6, 1.3}) {
            Vector3 corner[3];
            for (int v = 0; v < 3; ++v) {
                // Body point = transpose(rotation) * (world point - position).
                const double w[3] = {footprint[v][0], y - position.y, footprint[v][1]};
                for (int r = 0; r < 3; ++r)
                    corner[v][r] = float(rotation[0][r] * w[0] + rotation[1][r] * w[1] + rotation[2][r] * w[2]);
            }
            layers.addTriangle(corner[0], corner[1], corner[2]);
        }
        MeshStore meshes;
        Pond pond;
        pond.add(meshes.body(layers, position, true, 1.0f, rotation));
        pond.couple();

        // The lattice rays inside the footprint, in the coupling's order.
        std::vector<std::pair<float, float>> inside;
        for (int kz = 0; kz <= 256; ++kz)
            for (int ix = 0; ix <= 256; ++ix) {
                const double x = rayCoordinate(ix, 50.0f) - double(position.x);
                const double z = rayCoordinate(kz, 50.0f) - double(position.z);
                double nearest = 1e9;  // signed distance to the nearest edge, positive inside
                for (int e = 0; e < 3; ++e) {
                    const double* p0 = footprint[e];
                    const double* p1 = footprint[(e + 1) % 3];
                    const double ex = p1[0] - p0[0], ez = p1[1] - p0[1];
                    nearest = std::min(nearest, ((z - p0[1]) * ex - (x - p0[0]) * ez) / std::hypot(ex, ez));
                }
                ASSERT_GT(std::fabs(nearest), 1e-3) << "ray " << ix << ", " << kz << " grazes an edge";
                if (nearest > 0) inside.emplace_back(rayCoordinate(ix, 50.0f), rayCoordinate(kz, 50.0f));
            }
        ASSERT_GT(inside.size(), 20u);
        EXPECT_EQ(pond.bodies.forces.size(), inside.size());
        if (pond.bodies.forces.size() != inside.size()) continue;
        // The ray starts 1000 below, so its hits carry the float rounding of t ~ 1000
        // through both transforms (measured up to 1e-4).
        for (std::size_t r = 0; r < inside.size(); ++r) {
            const AppliedForce& f = pond.bodies.forces[r];
            EXPECT_NEAR(f.point.x, inside[r].first, 3e-4) << "ray " << r;
            EXPECT_NEAR(f.point.z, inside[r].second, 3e-4) << "ray " << r;
            EXPECT_NEAR(f.point.y, 0.8f, 3e-4) << "ray " << r;
            EXPECT_NEAR(f.force.y, 9.81 * A * 0.4, 2e-4) << "ray " << r;
        }
    }
}

TEST(WaterCoupling, BodyOverhangingTheEdgeIsProbedBeyondIt)
{
    BodyStore store;
    Pond pond;
    pond.add(store.sphere(Vector3{-25.0f, 0.0f, 0.0f}, 0.5f));
    pond.couple();
    int beyond = 0;
    for (const AppliedForce& f : pond.bodies.forces)
        if (f.point.x < -25.0f) {
            ++beyond;
            EXPECT_GT(f.force.y, 0.0f);
        }
    EXPECT_GT(beyond, 0);
    EXPECT_TRUE(watertest::holdsStepInvariants(pond.water));
}

// A body far larger than the domain: beyond the lattice its rays come in runs,
// so one coupling stays within what the grid allows (at most 513 x 513 rays for a
// body of more than sixteen lattices of rays), the
// forces of its rays within the lattice stay exactly those of the ray-by-ray
// coupling and the runs carry what their rays would, to the lattice's sampling.
TEST(WaterCoupling, BodiesFarBeyondTheDomainCostWhatTheGridAllows)
{
    struct Case {
        float radius, height;  // of the sphere's centre
        bool compareRayByRay;  // the plain coupling is affordable
    } cases[] = {{30.0f, 0.0f, true}, {200.0f, 0.0f, false}, {1e6f, 1e6f - 900.0f, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radius);
        BodyStore store;
        WaterSimulator water(nullptr, 10.0f, 1.0f, 64);
        water.step(0.0f);
        RecordingSimulator bodies;
        water.mRigidBodySimulator = &bodies;
        RigidBody* sphere = store.sphere(Vector3{0.7f, c.height, -0.4f}, c.radius);
        sphere->velocity = Vector3{0.1f, -0.2f, 0.0f};
        bodies.bodies.push_back(sphere);
        water.step(0.0f);
        EXPECT_LE(bodies.forces.size(), std::size_t(513 * 513));
        EXPECT_GT(bodies.forces.size(), std::size_t(c.radius < 1e3f ? 257 * 257 : 0));
        EXPECT_GT(bodies.totalForce().y, 0.0f);
        if (c.radius == 200.0f) {
            // To the sampling: the buoyancy of the lower half (beyond the domain the
            // rays see the dry border, surface 0) and the damping of every ray.
            const double r = c.radius, pi = 3.141592653589793;
            const double expected = 9.81 * pi * r * r * r * 2.0 / 3.0 + 1.2 * pi * r * r;
            EXPECT_NEAR(bodies.totalForce().y, expected, 0.01 * expected);
        }
        if (!c.compareRayByRay) continue;

        RecordingSimulator plain;
        plain.bodies = bodies.bodies;
        WaterSimulator reference(nullptr, 10.0f, 1.0f, 64);
        reference.step(0.0f);
        reference.mRigidBodySimulator = &plain;
        testing_support::reference::coupleBodies(reference);
        EXPECT_GT(plain.forces.size(), 3 * bodies.forces.size());
        const Vector3 total = bodies.totalForce(), exact = plain.totalForce();
        for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(total[axis], exact[axis], 1e-3 * std::fabs(exact.y));
        auto inLattice = [](const AppliedForce& f) {
            return f.point.x >= rayCoordinate(0, 10.0f) && f.point.x <= rayCoordinate(256, 10.0f) &&
                   f.point.z >= rayCoordinate(0, 10.0f) && f.point.z <= rayCoordinate(256, 10.0f);
        };
        std::vector<AppliedForce> got, expected;
        std::copy_if(bodies.forces.begin(), bodies.forces.end(), std::back_inserter(got), inLattice);
        std::copy_if(plain.forces.begin(), plain.forces.end(), std::back_inserter(expected), inLattice);
        ASSERT_EQ(got.size(), std::size_t(257 * 257));
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(std::memcmp(&got[i], &expected[i], sizeof(AppliedForce)), 0) << "ray " << i;
    }
}

TEST(WaterCoupling, BodiesWhollyBeyondAnEdgeOfTheLatticeAreSkipped)
{
    // The lattice runs from -25 (ray 0) to 24.805 (ray 256). A sphere of radius
    // 0.5 reaching it is probed, also by the rays beyond it; one wholly beyond an
    // edge is not probed at all, though rays there would meet it below the
    // border's surface (0, the border being dry).
    struct Case {
        float x, z;
        bool probed;
    };
    const Case cases[] = {
        {-25.6f, 0.0f, false}, {-25.4f, 0.0f, true},  // lower x edge
        {25.4f, 0.0f, false},  {25.2f, 0.0f, true},   // upper x edge
        {0.0f, -25.6f, false}, {0.0f, -25.4f, true},  // lower z edge
        {0.0f, 25.4f, false},  {0.0f, 25.2f, true},   // upper z edge
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.z);
        BodyStore store;
        Pond pond;
        pond.add(store.sphere(Vector3{c.x, 0.0f, c.z}, 0.5f));
        pond.couple();
        EXPECT_EQ(!pond.bodies.forces.empty(), c.probed);
        for (const AppliedForce& f : pond.bodies.forces) EXPECT_GT(f.force.y, 0.0f);
    }
}

TEST(WaterCoupling, OnlyRaysOnAGridNodeRecordTheirColumn)
{
    // A thin box met by the one ray (i, k), 0.2 of it under the surface. Grid
    // position i / 256 * (N - 1): with N = 65 every fourth ray lies on a node, with
    // N = 129 every second; with N = 66 ray 193 lies 1/256 of a cell past node 49.
    struct Case {
        int n, i, k;
        bool records;
        int nodeX, nodeZ;
    };
    const Case cases[] = {
        {65, 128, 128, true, 32, 32},
        {65, 129, 128, false, 0, 0},
        {65, 128, 129, false, 0, 0},
        {129, 130, 128, true, 65, 64},
        {129, 131, 128, false, 0, 0},
        {66, 193, 193, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "N " << c.n << ", ray " << c.i << ", " << c.k);
        BodyStore store;
        Pond pond(c.n);
        pond.add(store.box(Vector3{rayCoordinate(c.i, 50.0f), 1.0f, rayCoordinate(c.k, 50.0f)},
                           Vector3{0.1f, 0.4f, 0.1f}));
        const std::vector<float> depth = watertest::copyOf(pond.water.mDepth);
        pond.couple();
        ASSERT_EQ(pond.bodies.forces.size(), 1u);
        const float d = float(pond.bodies.forces[0].force.y / (9.81 * A));
        EXPECT_NEAR(d, 0.2f, 1e-4f);

        std::vector<float> expectedDepth = depth;
        std::vector<float> expectedColumns(depth.size(), 0.0f);
        if (c.records) {
            const auto at = [&](int x, int z) { return std::size_t(x) + std::size_t(z) * c.n; };
            expectedColumns[at(c.nodeX, c.nodeZ)] = pond.water.mPreviousDisplacement(c.nodeX, c.nodeZ);
            EXPECT_NEAR(expectedColumns[at(c.nodeX, c.nodeZ)], d, 1e-5f);
            const float raised = float(1.0 + float(0.25 * expectedColumns[at(c.nodeX, c.nodeZ)]));
            for (auto xz : {std::pair<int, int>{-1, 0}, {1, 0}, {0, -1}, {0, 1}})
                expectedDepth[at(c.nodeX + xz.first, c.nodeZ + xz.second)] = raised;
        }
        EXPECT_EQ(watertest::copyOf(pond.water.mPreviousDisplacement), expectedColumns);
        EXPECT_EQ(watertest::copyOf(pond.water.mDepth), expectedDepth);
    }
}

TEST(WaterCoupling, BodiesWithoutFiniteBoundsAreSkipped)
{
    // A body whose state has diverged has no lattice range to walk: it gets no
    // force and displaces nothing, while a sound body beside it is still probed.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    BodyStore store;
    Pond pond;
    pond.add(store.sphere(Vector3{nan, 1.0f, 0.0f}, 0.5f));
    pond.add(store.sphere(Vector3{2.0f, 1.0f, 2.0f}, 0.5f))->position.z = -inf;
    pond.add(store.sphere(Vector3{-3.0f, 1.0f, 3.0f}, 0.5f));
    static_cast<physics::rigidbody::SphereBody*>(pond.bodies.bodies.back())->radius = inf;
    RigidBody* sound = pond.add(store.sphere(Vector3{5.0f, 1.0f, 5.0f}, 0.5f));
    pond.couple();
    ASSERT_FALSE(pond.bodies.forces.empty());
    for (const AppliedForce& f : pond.bodies.forces) ASSERT_EQ(f.body, sound);
    EXPECT_TRUE(watertest::holdsStepInvariants(pond.water));
}

TEST(WaterCoupling, NoForceThatIsNotFiniteReachesABody)
{
    // Bodies and water gone bad: a velocity that is not a number or infinite (the
    // drag and the damping would be), and faces of the water that are not numbers
    // under part of a sound body. The sound rays still push.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    BodyStore store;
    Pond pond;
    pond.add(store.sphere(Vector3{-4.0f, 1.0f, 0.0f}, 0.5f))->velocity = Vector3{nan, 0.0f, 0.0f};
    pond.add(store.box(Vector3{0.0f, 1.0f, 4.0f}, Vector3{1, 1, 1}))->velocity = Vector3{0.0f, -inf, 0.0f};
    RigidBody* sound = pond.add(store.sphere(Vector3{4.0f, 1.0f, 0.0f}, 0.5f));
    for (int z = 30; z < 34; ++z) pond.water.mVelocityX(45, z) = nan;  // under the sound sphere's middle
    pond.couple();
    ASSERT_GT(pond.bodies.forces.size(), 10u);
    for (const AppliedForce& f : pond.bodies.forces) {
        ASSERT_EQ(f.body, sound);
        ASSERT_TRUE(std::isfinite(f.force.x) && std::isfinite(f.force.y) && std::isfinite(f.force.z));
        ASSERT_TRUE(std::isfinite(f.point.x) && std::isfinite(f.point.y) && std::isfinite(f.point.z));
    }
}

// Bodies floating on water far deeper than the flow's stability limit (the
// lake's grid carries the waves of water up to 112 units deep), stepped the way
// the programs step them: the water stays finite and so does every force.
TEST(WaterCoupling, BodiesOnDeepWaterGetFiniteForces)
{
    const float level = 250.0f;
    WaterSimulator water(nullptr, 50.0f, level, 65);
    physics::rigidbody::Simulator<physics::ODERungeKutta> sim;
    water.mRigidBodySimulator = &sim;
    BodyStore store;
    MeshStore meshes;
    sim.addBody(store.sphere(Vector3{0, level, 0}, 0.5f, 0.2f));
    sim.addBody(store.box(Vector3{5, level, 3}, Vector3{1.0f, 0.5f, 1.0f}, 0.25f));
    sim.addBody(meshes.body(testing_support::sphereMesh(12, 8, 1.0f), Vector3{-6, level, -4}, true, 0.5f));
    sim.commitBodies();
    const float dt = 1.0f / 60.0f;
    for (int i = 0; i < 600; ++i) {
        if (i % 30 == 0) water.addDepth(10 + i % 40, 20, 0.8f);
        sim.clearForces();
        water.step(dt);
        ASSERT_TRUE(watertest::holdsStepInvariants(water)) << "step " << i;
        for (const AppliedForce& f : sim.mForces)
            ASSERT_TRUE(std::isfinite(f.force.x) && std::isfinite(f.force.y) && std::isfinite(f.force.z))
                << "step " << i;
        sim.simulate(i * dt, (i + 1) * dt);
    }
    // They bob at the surface: the light mesh leaps up to 4 units clear of it
    // (measured), the waves of deep water carrying its displaced water away.
    for (unsigned b = 0; b < sim.getNumBodies(); ++b) EXPECT_NEAR(sim.getBody(b)->position.y, level, 5.0f) << b;
}

TEST(WaterCoupling, GridsWithoutInteriorStayInsideTheirArrays)
{
    // With fewer than 3 cells a side the surface range stays empty and would turn
    // every body away, so it is opened by hand: the rays then map to nodes 0 and
    // N - 1 only (or to none, for N = 0), and the sanitizers watch the writes.
    for (int n : {0, 1, 2}) {
        SCOPED_TRACE(n);
        BodyStore store;
        MeshStore meshes;
        WaterSimulator water(nullptr, 10.0f, 1.0f, n);
        RecordingSimulator bodies;
        water.mRigidBodySimulator = &bodies;
        bodies.bodies.push_back(store.sphere(Vector3{0.0f, 1.0f, 0.0f}, 2.0f));
        bodies.bodies.push_back(store.box(Vector3{-5.0f, 1.0f, 5.0f}, Vector3{1.0f, 1.0f, 1.0f}));
        bodies.bodies.push_back(
            meshes.body(testing_support::sphereMesh(8, 6, 1.0f), Vector3{4.9f, 1.0f, -4.9f}, true));
        for (int i = 0; i < 3; ++i) {
            water.mMaxSurface = 5.0f;
            bodies.clearForces();
            water.step(1.0f / 60.0f);
            // The bodies reach below 0, the surface read from a grid without cells.
            EXPECT_FALSE(bodies.forces.empty());
        }
    }
}

namespace {

bool isNumber(const Vector3& v) { return !std::isnan(v.x) && !std::isnan(v.y) && !std::isnan(v.z); }

bool bodyIsNumber(const RigidBody* b)
{
    bool ok = isNumber(b->position) && isNumber(b->linearMomentum) && isNumber(b->angularMomentum) &&
              isNumber(b->velocity) && isNumber(b->angularVelocity);
    for (int r = 0; r < 3; ++r) ok = ok && isNumber(Vector3{b->rotation[r][0], b->rotation[r][1], b->rotation[r][2]});
    return ok;
}

}  // namespace

// Spheres and a box dropped onto the lake of a basin, stepped the way the
// programs step them. Floating at rest, a sphere of this density has its centre
// about 0.08 above the surface and the box its centre at it. The run is chaotic:
// moving one drop by a few ulps changes where the bodies bob. Measured over the
// last 10 s of such runs: sphere centres -0.021 to 0.150 above the surface under
// them, the box centre -0.052 to 0.064; no body drifted more than 0.5 sideways.
TEST(WaterCouplingLongRun, DroppedBodiesEndFloatingAtTheSurface)
{
    const int n = 65;
    const std::vector<float> ground = watertest::basinGround(n);
    WaterSimulator water(ground.data(), 50.0f, 0.0f, n);
    physics::rigidbody::Simulator<physics::ODERungeKutta> sim;
    water.mRigidBodySimulator = &sim;

    BodyStore store;
    std::vector<RigidBody*> spheres;
    const Vector3 drops[] = {{0, 2.0f, 0}, {3, 3.0f, -2}, {-4, 2.5f, 1}, {1, 4.0f, 4}, {-2, 1.5f, -4}};
    for (const Vector3& p : drops) {
        spheres.push_back(store.sphere(p, 0.5f, 0.2f));
        sim.addBody(spheres.back());
    }
    RigidBody* box = store.box(Vector3{5, 2.0f, 3}, Vector3{1.0f, 0.5f, 1.0f}, 0.25f, physics::Matrix3::makeRotationX(0.3f));
    sim.addBody(box);
    sim.commitBodies();

    auto surfaceUnder = [&](const RigidBody* b) {
        return water.interpolate(water.mSurface, float((b->position.x + 25.0) / 50.0 * (n - 1)),
                                 float((b->position.z + 25.0) / 50.0 * (n - 1)));
    };
    const float dt = 1.0f / 60.0f;
    const int steps = 4000;
    float sphereLow = 1e9f, sphereHigh = -1e9f, boxLow = 1e9f, boxHigh = -1e9f;
    for (int i = 0; i < steps; ++i) {
        sim.clearForces();
        water.step(dt);
        sim.simulate(i * dt, (i + 1) * dt);
        ASSERT_TRUE(watertest::holdsStepInvariants(water)) << "step " << i;
        for (unsigned b = 0; b < sim.getNumBodies(); ++b) ASSERT_TRUE(bodyIsNumber(sim.getBody(b))) << "step " << i;
        if (i >= steps - 600) {
            for (const RigidBody* s : spheres) {
                const float h = s->position.y - surfaceUnder(s);
                sphereLow = std::min(sphereLow, h);
                sphereHigh = std::max(sphereHigh, h);
            }
            const float h = box->position.y - surfaceUnder(box);
            boxLow = std::min(boxLow, h);
            boxHigh = std::max(boxHigh, h);
        }
    }
    for (unsigned b = 0; b < sim.getNumBodies(); ++b) {
        const Vector3& p = sim.getBody(b)->position;
        EXPECT_LT(std::hypot(p.x, p.z), 12.0f) << "body " << b << " left the lake's middle";
    }
    EXPECT_GT(sphereLow, -0.06f);
    EXPECT_LT(sphereHigh, 0.2f);
    EXPECT_GT(boxLow, -0.1f);
    EXPECT_LT(boxHigh, 0.1f);
}
