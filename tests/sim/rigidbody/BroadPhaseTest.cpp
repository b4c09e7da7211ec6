// The contact search with its broad phase, the box-sphere pair's early rejection
// and the hashed duplicate check against their plain forms (the loop over every
// pair, the pair building the box's transform first, the scan of the whole list):
// the same contacts, record for record and bit for bit, in the same order, over
// random scenes and whole trajectories.
#include "sim/rigidbody/SearchContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <limits>
#include <random>
#include <vector>

#include "Bodies.h"
#include "MeshScenes.h"
#include "Meshes.h"
#include "RandomRotation.h"
#include "sim/rigidbody/Collide.h"
#include "sim/rigidbody/Dynamics.h"

using namespace physics;
using namespace physics::rigidbody;
using namespace testing_support;

namespace {

#ifdef MARROWFIELD_SANITIZED
constexpr int SHARE = 8;  // of the scenes and steps, under the sanitizers
#else
constexpr int SHARE = 1;
#endif

bool sameBits(const void* a, const void* b, std::size_t n) { return std::memcmp(a, b, n) == 0; }

// Every field of every record, as bits; the first difference, or "".
std::string difference(const ContactList& a, const ContactList& b)
{
    if (a.size() != b.size()) return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        const Contact &x = a[i], &y = b[i];
        if (x.bodyA != y.bodyA || x.bodyB != y.bodyB || !sameBits(&x.point, &y.point, sizeof(Vector3)) ||
            !sameBits(&x.normal, &y.normal, sizeof(Vector3)) || !sameBits(&x.edgeA, &y.edgeA, sizeof(Vector3)) ||
            !sameBits(&x.edgeB, &y.edgeB, sizeof(Vector3)) || x.vertexFace != y.vertexFace)
            return "contact " + std::to_string(i);
    }
    return "";
}

// The contacts of the plain search and of the broad phase over the same bodies.
std::string searchDifference(const std::vector<RigidBody*>& bodies, std::size_t* count = nullptr)
{
    ContactList plain, broad;
    SearchContext plainSearch(SearchForms::plain());
    plainSearch.findContacts(bodies, &plain);
    // Every pair with a contact may touch (else the broad phase would drop it).
    double largest = 0;
    for (const RigidBody* b : bodies)
        if (b->shapeType == SHAPE_SPHERE) {
            const double r = std::fabs(double(static_cast<const SphereBody*>(b)->radius));
            if (std::isfinite(r)) largest = std::max(largest, r);
        }
    for (std::size_t i = 0; i < bodies.size(); ++i)
        for (std::size_t j = i + 1; j < bodies.size(); ++j) {
            ContactList pair;
            plainSearch.collide(bodies[i], bodies[j], &pair);
            if (!pair.empty() &&
                !BroadPhase::mayTouch(BroadPhase::reachOf(bodies[i], largest), BroadPhase::reachOf(bodies[j], largest)))
                return "pair " + std::to_string(i) + " (shape " + std::to_string(bodies[i]->shapeType) + ") and " +
                       std::to_string(j) + " (shape " + std::to_string(bodies[j]->shapeType) + ") touch";
        }
    SearchContext search;
    search.findContacts(bodies, &broad);
    if (count) *count = plain.size();
    std::string d = difference(plain, broad);
    if (!d.empty()) return d;
    // Again with the same context: what it keeps from step to step must not matter.
    search.findContacts(bodies, &broad);
    return difference(plain, broad);
}

// Random scenes of every shape: dense piles and sparse sets, some bodies placed
// to touch others exactly, some rotations a little off orthonormal, and now and
// then a body that is not a number or lies out of all proportion.
class RandomScenes {
public:
    explicit RandomScenes(unsigned seed) : random_(seed) {}

    std::vector<RigidBody*> scene()
    {
        std::vector<RigidBody*> bodies;
        const bool dense = coin(0.5);
        const float room = dense ? 1.5f : 12.0f;
        const int count = 5 + int(random_() % 40);
        std::uniform_real_distribution<float> place(-room, room);
        for (int i = 0; i < count; ++i) {
            const Vector3 at{place(random_), place(random_), place(random_)};
            const Matrix3 turn = coin(0.3) ? Matrix3::identity() : randomRotation(random_, coin(0.2) ? 1e-3 : 0.0);
            const double pick = uniform(0, 1);
            RigidBody* body;
            if (pick < 0.4) {
                body = store_.sphere(at, coin(0.5) ? 0.25f : float(uniform(0.05, 0.8)));
            } else if (pick < 0.75) {
                body = store_.box(at, Vector3{size(), size(), size()}, 1.0f, turn);
            } else if (pick < 0.9) {
                body = meshes_.body(models_[random_() % 3], at, coin(0.5), 1.0f, turn);
            } else {
                Vector3 n{float(uniform(-1, 1)), float(uniform(-1, 1)), float(uniform(-1, 1))};
                normalise(n);
                body = store_.plane(n, float(uniform(-room, room)));
            }
            bodies.push_back(body);
            if (!bodies.empty() && coin(0.3)) touchExactly(bodies);
            if (coin(0.02)) spoil(body);
        }
        return bodies;
    }

private:
    std::mt19937 random_;
    BodyStore store_;
    MeshStore meshes_;
    const MeshData models_[3] = {lumpyMesh(9, 6, 0.6f), boxMesh(Vector3{0.5f, 0.25f, 0.5f}), floorMesh(1.0f, 3)};

    bool coin(double p) { return uniform(0, 1) < p; }
    double uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random_); }
    float size() { return coin(0.5) ? 0.5f : float(uniform(0.05, 1.5)); }

    // A new sphere or box that touches the last body exactly: along an axis, face
    // to face or a sphere on a face or a plane, at distances that are exact in float.
    void touchExactly(std::vector<RigidBody*>& bodies)
    {
        RigidBody* last = bodies.back();
        const int axis = int(random_() % 3);
        Vector3 step = Vector3::zero();
        if (last->shapeType == SHAPE_SPHERE) {
            const float r = static_cast<SphereBody*>(last)->radius;
            step[axis] = r + 0.25f;
            bodies.push_back(store_.sphere(last->position + step, 0.25f));
        } else if (last->shapeType == SHAPE_BOX && coin(0.5)) {
            auto* box = static_cast<BoxBody*>(last);
            box->rotation = Matrix3::identity();
            step[axis] = box->halfExtents[axis] + 0.5f;
            bodies.push_back(coin(0.5) ? static_cast<RigidBody*>(store_.sphere(last->position + step, 0.5f))
                                       : store_.box(last->position + step, Vector3{1.0f, 1.0f, 1.0f}));
        } else if (last->shapeType == SHAPE_PLANE) {
            auto* plane = static_cast<PlaneBody*>(last);
            plane->plane = Plane{Vector3{0, 1, 0}, 0.5f};
            bodies.push_back(coin(0.5) ? static_cast<RigidBody*>(store_.sphere(Vector3{0.25f, -0.25f, 1.0f}, 0.25f))
                                       : store_.box(Vector3{0.5f, 0.0f, -1.0f}, Vector3{1.0f, 1.0f, 1.0f}));
        }
    }

    // Not a number, infinite or huge, somewhere in the body.
    void spoil(RigidBody* body)
    {
        const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
        const float values[] = {nan, inf, -inf, 1e20f, -3e38f, 1e16f};
        const float v = values[random_() % 6];
        switch (random_() % 3) {
        case 0: body->position[random_() % 3] = v; break;
        case 1: body->rotation[random_() % 3][random_() % 3] = v; break;
        default:
            if (body->shapeType == SHAPE_SPHERE) static_cast<SphereBody*>(body)->radius = v;
            else if (body->shapeType == SHAPE_BOX) static_cast<BoxBody*>(body)->halfExtents[random_() % 3] = v;
            else if (body->shapeType == SHAPE_PLANE) static_cast<PlaneBody*>(body)->plane.d = v;
            else body->position.x = v;
        }
    }
};

TEST(BroadPhase, RandomScenesGiveTheFullLoopsContacts)
{
    RandomScenes scenes(20251210);
    std::size_t contacts = 0, touching = 0;
    const int count = 400 / SHARE;
    for (int s = 0; s < count; ++s) {
        const std::vector<RigidBody*> bodies = scenes.scene();
        std::size_t n = 0;
        const std::string d = searchDifference(bodies, &n);
        ASSERT_EQ(d, "") << "scene " << s;
        contacts += n;
        touching += n > 0;
    }
    EXPECT_GT(touching, std::size_t(count * 3 / 4));
    EXPECT_GT(contacts, std::size_t(count * 20));
}

// isColliding keeps its first touch: the same answer and the same contacts for
// candidates of every shape dropped among the bodies of random scenes.
TEST(BroadPhase, PlacementTestFindsTheSameFirstTouch)
{
    RandomScenes scenes(77);
    int touched = 0;
    const int count = 300 / SHARE;
    for (int s = 0; s < count; ++s) {
        std::vector<RigidBody*> bodies = scenes.scene();
        RigidBody* candidate = bodies.back();
        bodies.pop_back();
        Simulator<ODERungeKutta> sim;
        for (std::size_t i = 0; i < bodies.size(); ++i) {
            // Queued past addBody's check: a spoiled body stands for one gone bad
            // after it was handed over.
            sim.mPendingBodies.push_back(bodies[i]);
            if (i == bodies.size() / 2) sim.commitBodies();  // some active, some pending
        }
        sim.searchContext().setForms(SearchForms::plain());
        const bool plain = sim.isColliding(candidate);
        const ContactList plainContacts = sim.mContacts;
        sim.searchContext().setForms(SearchForms::library());
        ASSERT_EQ(sim.isColliding(candidate), plain) << "scene " << s;
        ASSERT_EQ(difference(plainContacts, sim.mContacts), "") << "scene " << s;
        touched += plain;
    }
    EXPECT_GT(touched, count / 4);
}

// Box-sphere pairs close to every face, edge and corner, exactly touching, and
// with rotations off orthonormal: the early rejection never changes a contact.
TEST(BoxSphere, EarlyRejectionKeepsEveryContact)
{
    BodyStore store;
    SearchContext context;  // its box transforms kept from pair to pair
    std::mt19937 random(5);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f), size(0.05f, 2.0f);
    int touching = 0;
    const int count = 200000 / SHARE;
    for (int i = 0; i < count; ++i) {
        const Vector3 half{size(random) / 2, size(random) / 2, size(random) / 2};
        const Matrix3 turn = i % 3 == 0 ? Matrix3::identity() : randomRotation(random, i % 5 == 0 ? 1e-2 : 0.0);
        BoxBody* box = store.box(Vector3{unit(random), unit(random), unit(random)} * 10.0f, half * 2.0f, 1.0f, turn);
        const float r = i % 4 == 0 ? 0.5f : size(random);
        // Near the box: from its centre out to a little beyond its reach.
        Vector3 offset{unit(random), unit(random), unit(random)};
        offset = offset * float(1.5 * (std::sqrt(double(squaredLength(half))) + r));
        if (i % 7 == 0) offset = turn * Vector3{half.x + r, 0.0f, 0.0f};  // exactly on a face, turned
        SphereBody* sphere = store.sphere(box->position + offset, r);
        ContactList plain, early;
        full::collideBoxSphere(box, sphere, &plain);
        collideBoxSphere(box, sphere, &early, context);
        ASSERT_EQ(difference(plain, early), "") << "pair " << i;
        touching += !plain.empty();
    }
    EXPECT_GT(touching, count / 8);
}

// Many contacts in one list, some of them at exactly the same point from
// different pairs (spheres in one place on one mesh): the hashed check drops the
// same ones as the scan.
TEST(ContactPoints, HashedDuplicateCheckDropsWhatTheScanDrops)
{
    BodyStore store;
    MeshStore meshes;
    std::vector<RigidBody*> bodies{meshes.body(floorMesh(4.0f, 40), Vector3::zero())};
    for (int i = 0; i < 60; ++i) {
        const float x = float(i % 8) - 3.5f, z = float(i / 8) - 3.5f;
        bodies.push_back(store.sphere(Vector3{x, 0.2f, z}, 0.3f));
        if (i % 3 == 0) bodies.push_back(store.sphere(Vector3{x, 0.2f, z}, 0.3f));  // the same point again
    }
    bodies.push_back(meshes.body(floorMesh(4.0f, 40), Vector3{0, 0.01f, 0}, false, 1.0f, Matrix3::makeRotationX(0.01f)));
    std::size_t count = 0;
    EXPECT_EQ(searchDifference(bodies, &count), "");
    EXPECT_GT(count, 200u);
}

// Whole trajectories stepped in lockstep, one with each search: every contact
// (its bodies by their place in the scene) and every body's state and derived
// fields the same at every step.
std::size_t indexOf(const SceneBodies& scene, const RigidBody* body)
{
    for (std::size_t i = 0; i < scene.sim.mBodies.size(); ++i)
        if (scene.sim.mBodies[i] == body) return i;
    return std::size_t(-1);
}

template <class Scene, class Step>
void stepInLockstep(Scene& plain, Scene& broad, int steps, Step step, std::size_t* contacts)
{
    plain.sim.searchContext().setForms(SearchForms::plain());
    for (int s = 0; s < steps; ++s) {
        step(plain);
        step(broad);
        const ContactList &x = plain.sim.mContacts, &y = broad.sim.mContacts;
        ASSERT_EQ(x.size(), y.size()) << "step " << s;
        for (std::size_t c = 0; c < x.size(); ++c)
            ASSERT_TRUE(indexOf(plain, x[c].bodyA) == indexOf(broad, y[c].bodyA) &&
                        indexOf(plain, x[c].bodyB) == indexOf(broad, y[c].bodyB) &&
                        sameBits(&x[c].point, &y[c].point, sizeof(Vector3)) &&
                        sameBits(&x[c].normal, &y[c].normal, sizeof(Vector3)))
                << "step " << s << ", contact " << c;
        for (std::size_t b = 0; b < plain.sim.mBodies.size(); ++b)
            ASSERT_TRUE(sameBits(&plain.sim.mBodies[b]->position, &broad.sim.mBodies[b]->position,
                                 offsetof(RigidBody, torque) - offsetof(RigidBody, position)))
                << "step " << s << ", body " << b;
        *contacts += x.size();
    }
}

class EnclosureLockstep : public ::testing::TestWithParam<int> {};

// Spheres and a quarter boxes dropped into the walled enclosure, five seconds.
TEST_P(EnclosureLockstep, TrajectoriesStayTheSame)
{
    const int bodies = GetParam();
    EnclosureScene plain(bodies - bodies / 4, bodies / 4), broad(bodies - bodies / 4, bodies / 4);
    std::size_t contacts = 0;
    // Long enough for the tallest column to land, also under the sanitizers.
    const int steps = SHARE > 1 ? 300 : 600;
    stepInLockstep(plain, broad, steps, [](EnclosureScene& s) { s.step(1.0f / 120.0f); }, &contacts);
    EXPECT_GT(contacts, std::size_t(bodies * 2));
}

INSTANTIATE_TEST_SUITE_P(BroadPhase, EnclosureLockstep, ::testing::Values(12, 50, 200));

// The mesh programs' kinds of scene: a tumble of meshes, spheres and a box, and
// the lake of a mesh and spheres over a static terrain, with its coupled water.
TEST(BroadPhaseLockstep, TumbleAndLakeTrajectoriesStayTheSame)
{
    const MeshData model = lumpyMesh(18, 11, 0.5f);
    std::size_t contacts = 0;
    {
        TumbleScene plain(model), broad(model);
        stepInLockstep(plain, broad, 900 / SHARE, [](TumbleScene& s) { s.step(TumbleScene::STEP); }, &contacts);
    }
    const std::size_t tumbleContacts = contacts;
    EXPECT_GT(tumbleContacts, std::size_t(1000 / SHARE));
    {
        LakeScene plain(model, true), broad(model, true);
        stepInLockstep(plain, broad, 600 / SHARE, [](LakeScene& s) { s.subStep(); }, &contacts);
    }
    EXPECT_GT(contacts - tumbleContacts, std::size_t(100 / SHARE));
}

}  // namespace

namespace {

// A digest of every body's state and derived fields, every contact and the water
// surface after each step: the bits of a whole trajectory.
class TrajectoryDigest {
public:
    template <class Scene>
    void add(const Scene& scene)
    {
        constexpr std::size_t state = offsetof(RigidBody, torque) + sizeof(Vector3) - offsetof(RigidBody, position);
        for (const RigidBody* b : scene.sim.mBodies) mix(&b->position, state);
        for (const Contact& c : scene.sim.mContacts) {
            mix(&c.point, sizeof(Vector3));
            mix(&c.normal, sizeof(Vector3));
            mix(&c.edgeA, sizeof(Vector3));
            mix(&c.edgeB, sizeof(Vector3));
        }
    }
    void addWater(const physics::water::WaterSimulator& water)
    {
        mix(water.mSurface.data, sizeof(float) * water.mSurface.size());
    }
    std::uint64_t value() const { return hash_; }

private:
    std::uint64_t hash_ = 1469598103934665603ull;  // FNV-1a
    void mix(const void* data, std::size_t n)
    {
        const unsigned char* c = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < n; ++i) hash_ = (hash_ ^ c[i]) * 1099511628211ull;
    }
};

// The scenes' trajectories as the library stepped them before its broad phase,
// the box-sphere pair's early rejection, the hashed duplicate check and the
// derivative reuse of the integration stages: pinned digests, one running on
// after the other (enclosures of 200 and 50 bodies, a tumble, a lake with water).
// A change to these scenes or their meshes (tests/support) needs new digests,
// taken from the library as it was before those changes.
TEST(Trajectories, StayWhatTheLibraryGaveBeforeItsBroadPhase)
{
    TrajectoryDigest digest;
    {
        EnclosureScene s(150, 50);
        for (int i = 0; i < 600; ++i) {
            s.step(1.0f / 120.0f);
            digest.add(s);
        }
    }
    EXPECT_EQ(digest.value(), 0x1a98f5d39a1c09c4ull) << "enclosure of 200";
    {
        EnclosureScene s(38, 12);
        for (int i = 0; i < 600; ++i) {
            s.step(1.0f / 120.0f);
            digest.add(s);
        }
    }
    EXPECT_EQ(digest.value(), 0xa01a1720f78777cdull) << "enclosure of 50";
    {
        TumbleScene s(lumpyMesh(18, 11, 0.5f));
        for (int i = 0; i < 600; ++i) {
            s.step(TumbleScene::STEP);
            digest.add(s);
        }
    }
    EXPECT_EQ(digest.value(), 0xdfbbe1cf4368607full) << "tumble";
    {
        LakeScene s(lumpyMesh(18, 11, 0.75f), true);
        for (int i = 0; i < 400; ++i) {
            s.subStep();
            digest.add(s);
            digest.addWater(*s.water);
        }
    }
    EXPECT_EQ(digest.value(), 0x325a0290f510d71dull) << "lake";
}

}  // namespace
