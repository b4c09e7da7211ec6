#pragma once
// The contact search with a broad phase: the pair functions of only those pairs
// of bodies that may touch, called in the order of the full loop over every pair
// (i < j, by index), so that the contact list comes out record for record the
// same. The impulses depend on that order. Each body gets a world box that holds
// every point at which a pair function could report a contact with it, widened
// for rounding (RoundingBounds.md, "The broad phase"); pairs whose boxes are
// apart are never called. Planes are tested against the lowest point of each
// box, two meshes are always a pair, and a body that cannot be bounded is a
// pair with every other body.
#include <cstdint>
#include <vector>

#include "sim/maths/Vector3.h"
#include "sim/rigidbody/Contact.h"
#include "sim/rigidbody/RigidBody.h"

namespace physics {
namespace rigidbody {

class SearchContext;

class BroadPhase {
public:
    // Appends the contacts of the pairs that may touch, in the full loop's order,
    // each pair through the context.
    void findContacts(const std::vector<RigidBody*>& bodies, ContactList* contacts, SearchContext& context);

    // Whether the candidate touches any of the bodies, tested in order, so that
    // the first pair that touches is the full loop's; contacts keeps its contacts.
    bool touchesAny(RigidBody* candidate, const std::vector<RigidBody*>& bodies, ContactList* contacts,
                    SearchContext& context);

    // What a body may reach, and whether two bodies may touch.
    struct Reach {
        enum Kind : std::uint8_t { BOUNDED, PLANE, EVERYWHERE };
        Kind kind;
        std::int32_t shape;
        bool mesh;
        bool sphere;
        DoubleVector3 lo, hi;  // widened world box of a bounded body
        DoubleVector3 centre, extent;
        double radius;         // of a sphere
        double defect;         // of a box's rotation: its inverse scales a sphere by up to 1 + defect
        DoubleVector3 normal;  // of a plane: normal . p + offset |normal|^2 = 0
        double offset;
    };
    static Reach reachOf(const RigidBody* body, double largestSphere);
    static bool mayTouch(const Reach& a, const Reach& b);

private:
    std::vector<Reach> mReach;
    // The bounded bodies' boxes, sorted by their low end on the sweep's axis (the
    // one along which the boxes spread most), kept from step to step.
    struct SweepItem {
        float lo[3], hi[3];  // the widened box, rounded outwards
        std::uint32_t body;
        bool mesh;
    };
    std::vector<SweepItem> mSweep;
    std::vector<std::uint32_t> mSweepOrder;  // the bodies of mSweep at the last step
    std::vector<std::uint32_t> mSlot;        // per body: already in mSweep
    int mSweepAxis = 0;
    std::vector<std::uint32_t> mPlanes, mEverywhere, mMeshes;
    std::vector<std::uint64_t> mPairs;     // (low index, high index)
    std::vector<std::uint32_t> mFirst;     // per body, into mPartners
    std::vector<std::uint32_t> mFill;
    std::vector<std::uint32_t> mPartners;

    void sortSweep();
    void addPair(std::uint32_t i, std::uint32_t j);
};

}  // namespace rigidbody
}  // namespace physics
