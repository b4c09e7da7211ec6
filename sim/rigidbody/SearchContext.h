#pragma once
// What one simulator's contact search keeps between pairs and steps, handed to
// the pair functions: the broad phase, the world positions of every mesh body,
// the hashed points of the list under search and the transforms of the boxes
// met lately. None of it changes a contact: every pair function adds the records
// its plain form adds, whatever the context holds. The pair table's own entries
// (Contact.h) make a fresh context for each call.
#include <memory>
#include <unordered_map>
#include <vector>

#include "sim/maths/Matrix4.h"
#include "sim/rigidbody/BroadPhase.h"
#include "sim/rigidbody/Contact.h"
#include "sim/rigidbody/ContactPoints.h"
#include "sim/rigidbody/RigidBody.h"

namespace physics {
namespace rigidbody {

class MeshTree;
class SearchContext;
struct MeshPairScratch;
struct MeshWorldCache;

// A pair function of the collision table that may use what the context keeps.
using PairFunction = void (*)(RigidBody* first, RigidBody* second, ContactList* contacts, SearchContext& context);

// Which pairs a search visits and with which functions. The library searches
// with library(); the others are the plain forms it must match record for
// record, for tests and benchmarks.
struct SearchForms {
    bool everyPair;             // the loop over every pair, not the broad phase
    const PairFunction* pairs;  // 16 of them, by 4 * first shape type + second shape type

    static SearchForms library();
    // The library's, with mesh pairs walked node pair by node pair instead of
    // searched plane by plane.
    static SearchForms meshNodePairs();
    // Every pair, the full mesh walks, the box-sphere pair building and inverting
    // the box's transform for each pair, the duplicate check scanning the list.
    static SearchForms plain();
};

// A box's transform and its inverse, for the pose they were made from.
struct BoxTransform {
    const BoxBody* box = nullptr;
    float pose[12];
    Matrix4 toWorld, toBox;
};

class SearchContext {
public:
    explicit SearchContext(SearchForms forms = SearchForms::library());
    ~SearchContext();
    SearchContext(const SearchContext&) = delete;
    SearchContext& operator=(const SearchContext&) = delete;

    void setForms(SearchForms forms) { mForms = forms; }

    // Rebuilds contacts from the pairs of bodies (i < j, by index), in that order.
    void findContacts(const std::vector<RigidBody*>& bodies, ContactList* contacts);
    // Whether the candidate touches any of the bodies, tested in order; contacts
    // keeps the contacts of the first pair that touches.
    bool touchesAny(RigidBody* candidate, const std::vector<RigidBody*>& bodies, ContactList* contacts);
    void collide(RigidBody* first, RigidBody* second, ContactList* contacts)
    {
        mForms.pairs[4 * first->shapeType + second->shapeType](first, second, contacts, *this);
    }
    // Drops what is kept for a body that may be gone by the next search (a
    // placement candidate).
    void forget(const RigidBody* body);

    // For the pair functions: the world positions of a mesh body (each body its
    // own, also where bodies share a tree), the room of the mesh pair search, the
    // point index when contacts is the list under search (else null), and a
    // box's transform.
    MeshWorldCache& meshCache(const RigidBody* body, const MeshTree& tree);
    MeshPairScratch& meshPairScratch();
    PointIndex* points(const ContactList* contacts) { return mPoints.bound(contacts) ? &mPoints : nullptr; }
    const BoxTransform& boxTransform(const BoxBody* box);

private:
    SearchForms mForms;
    BroadPhase mBroadPhase;
    PointIndex mPoints;
    std::unordered_map<const RigidBody*, std::unique_ptr<MeshWorldCache>> mMeshCaches;
    std::unique_ptr<MeshPairScratch> mMeshPairs;
    std::vector<BoxTransform> mBoxes;  // slots by address
};

}  // namespace rigidbody
}  // namespace physics
