#pragma once
// The duplicate check of the triangle tests: whether some contact of the list,
// of any body pair, already has exactly this point (compared as floats, so -0
// equals 0 and a point that is not a number equals nothing). During a search
// the points of the list under search are hashed as it grows, so that the check
// costs the same however many contacts the list holds; other lists, and short
// ones, are scanned. Both give the same answer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/maths/Vector3.h"
#include "sim/rigidbody/Contact.h"

namespace physics {
namespace rigidbody {

// The hashed points of the one list a search fills. The list may only grow while
// it is bound (pair functions only append).
class PointIndex {
public:
    // Binds the index to a list for one search, forgetting what was hashed.
    class Scope {
    public:
        Scope(PointIndex& index, const ContactList* contacts);
        ~Scope() { mIndex.mList = nullptr; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        PointIndex& mIndex;
    };

    bool bound(const ContactList* contacts) const { return contacts == mList; }
    bool listed(const ContactList& contacts, const Vector3& point);

private:
    const ContactList* mList = nullptr;
    std::size_t mIndexed = 0;           // the list's first contacts, hashed
    std::vector<std::uint32_t> mSlots;  // contact index + 1, 0 where empty
    void insert(const ContactList& contacts, std::uint32_t index);
};

// points: the index bound to contacts, or null to scan.
bool pointListed(const ContactList* contacts, const Vector3& point, PointIndex* points = nullptr);

}  // namespace rigidbody
}  // namespace physics
