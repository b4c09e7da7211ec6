#include "sim/rigidbody/SearchContext.h"

#include <cstdint>
#include <cstring>

#include "sim/rigidbody/MeshInWorld.h"
#include "sim/rigidbody/MeshPairSearch.h"
#include "sim/rigidbody/MeshTree.h"

namespace physics {
namespace rigidbody {

namespace {

// Within one search a box meets its spheres one after another: a few slots
// serve them all.
constexpr std::size_t BOX_SLOTS = 64;

}  // namespace

SearchContext::SearchContext(SearchForms forms) : mForms(forms) {}
SearchContext::~SearchContext() = default;

void SearchContext::findContacts(const std::vector<RigidBody*>& bodies, ContactList* contacts)
{
    contacts->clear();
    const PointIndex::Scope points(mPoints, contacts);
    if (!mForms.everyPair) {
        mBroadPhase.findContacts(bodies, contacts, *this);
        return;
    }
    for (std::size_t i = 0; i < bodies.size(); ++i)
        for (std::size_t j = i + 1; j < bodies.size(); ++j) collide(bodies[i], bodies[j], contacts);
}

bool SearchContext::touchesAny(RigidBody* candidate, const std::vector<RigidBody*>& bodies, ContactList* contacts)
{
    const PointIndex::Scope points(mPoints, contacts);
    if (!mForms.everyPair) return mBroadPhase.touchesAny(candidate, bodies, contacts, *this);
    for (RigidBody* other : bodies) {
        collide(candidate, other, contacts);
        if (!contacts->empty()) return true;
    }
    return false;
}

void SearchContext::forget(const RigidBody* body) { mMeshCaches.erase(body); }

MeshWorldCache& SearchContext::meshCache(const RigidBody* body, const MeshTree& tree)
{
    std::unique_ptr<MeshWorldCache>& cache = mMeshCaches[body];
    if (!cache || !cache->fits(tree)) cache = std::make_unique<MeshWorldCache>(tree);
    return *cache;
}

MeshPairScratch& SearchContext::meshPairScratch()
{
    if (!mMeshPairs) mMeshPairs = std::make_unique<MeshPairScratch>();
    return *mMeshPairs;
}

const BoxTransform& SearchContext::boxTransform(const BoxBody* box)
{
    if (mBoxes.empty()) mBoxes.resize(BOX_SLOTS);
    float pose[12];
    std::memcpy(pose, &box->position, sizeof(Vector3));
    std::memcpy(pose + 3, &box->rotation, sizeof(Matrix3));
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(box);
    BoxTransform& t = mBoxes[((address >> 4) ^ (address >> 10)) % BOX_SLOTS];
    // Found again only for the very same pose, bit for bit: the floats the pair
    // would compute afresh.
    if (t.box != box || std::memcmp(t.pose, pose, sizeof pose) != 0) {
        t.box = box;
        std::memcpy(t.pose, pose, sizeof pose);
        t.toWorld = Matrix4::makeTranslation(box->position) * Matrix4::fromRotation(box->rotation);
        t.toBox = Matrix4::inverse(t.toWorld);
    }
    return t;
}

}  // namespace rigidbody
}  // namespace physics
