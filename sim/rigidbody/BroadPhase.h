#pragma once
// The contact search with a broad phase: the pair functions of only those pairs
// of bodies that may touch, called in the order of the full loop over every pair
// (i < j, by index), so that the contact list comes out record for record the
// same. The impulses depend on that order.
//
// Each body gets a world box that holds every point at which a pair function
// could report a contact with it: its shape's bounds (a box's corners, a mesh
// tree's root box, a sphere), widened for the float rounding of the pair
// functions (a relative 1e-4 of the coordinates and sizes, far above the few
// roundings any test makes, and an absolute 1e-15 where squares would underflow),
// for a rotation that the integration left a little off orthonormal (its defect
// scales what a box's inverse transform and its clipping planes see), and, for
// boxes, for the largest sphere of the scene seen through that defect. Pairs whose
// boxes are apart by more than that are never called: their pair function could
// append nothing.
//  - Planes are tested against the lowest point of each body's box (the plane
//    pairs report points behind the plane, however far); two planes never touch.
//  - Two meshes are always a pair: their triangle test snaps nearly coplanar
//    triangles together at distances that no fixed margin bounds.
//  - A body that is not a number anywhere, or whose coordinates or sizes are
//    huge (beyond 2^50: float squares of differences could overflow), or whose
//    sizes are negative, or whose rotation is far from orthonormal, is a pair
//    with every other body.
#include <cstdint>
#include <vector>

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
        double lo[3], hi[3];  // widened world box of a bounded body
        double centre[3], extent[3];
        double radius;              // of a sphere
        double defect;              // of a box's rotation: its inverse scales a sphere by up to 1 + defect
        double normal[3], offset;   // of a plane: normal . p + offset |normal|^2 = 0
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
