#pragma once
// The duplicate check of the triangle tests: whether some contact of the list,
// of any body pair, already has exactly this point (compared as floats, so -0
// equals 0 and a point that is not a number equals nothing). Within a contact
// search the points are hashed as the list grows, so that the check costs the
// same however many contacts the list holds; elsewhere, and for short lists, the
// list is scanned. Both give the same answer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/maths/Vector3.h"
#include "sim/rigidbody/Contact.h"

namespace physics {
namespace rigidbody {

bool pointListed(const ContactList* contacts, const Vector3& point);

// The hashed points of one contact list during one search. The list may only
// grow while its Scope lasts (pair functions only append).
class PointIndex {
public:
    class Scope {
    public:
        Scope(PointIndex& index, const ContactList* contacts);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        PointIndex* previous_;
    };

    bool listed(const ContactList& contacts, const Vector3& point);

private:
    const ContactList* list_ = nullptr;
    std::size_t indexed_ = 0;           // the list's first contacts, hashed
    std::vector<std::uint32_t> slots_;  // contact index + 1, 0 where empty
    void insert(const ContactList& contacts, std::uint32_t index);
};

}  // namespace rigidbody
}  // namespace physics
