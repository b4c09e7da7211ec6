#include "sim/rigidbody/ContactPoints.h"

#include <algorithm>
#include <cstring>

namespace physics {
namespace rigidbody {

namespace {

// Lists shorter than this are scanned: cheaper than hashing.
constexpr std::size_t SHORT_LIST = 48;

bool samePoint(const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

std::uint32_t bitsOf(float f)
{
    if (f == 0.0f) f = 0.0f;  // -0 equals 0
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

std::uint32_t hashOf(const Vector3& p)
{
    std::uint64_t h = bitsOf(p.x) * 0x9E3779B97F4A7C15ull;
    h ^= bitsOf(p.y) + 0x632BE59BD9B4E019ull + (h << 6) + (h >> 2);
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= bitsOf(p.z) + (h >> 29);
    h *= 0x94D049BB133111EBull;
    return std::uint32_t(h ^ (h >> 32));
}

}  // namespace

bool pointListed(const ContactList* contacts, const Vector3& point, PointIndex* points)
{
    if (points && points->bound(contacts) && contacts->size() >= SHORT_LIST) return points->listed(*contacts, point);
    for (const Contact& c : *contacts)
        if (samePoint(c.point, point)) return true;
    return false;
}

PointIndex::Scope::Scope(PointIndex& index, const ContactList* contacts) : mIndex(index)
{
    if (index.mIndexed > 0) std::fill(index.mSlots.begin(), index.mSlots.end(), 0u);
    index.mList = contacts;
    index.mIndexed = 0;
}

void PointIndex::insert(const ContactList& contacts, std::uint32_t index)
{
    const std::size_t mask = mSlots.size() - 1;
    for (std::size_t s = hashOf(contacts[index].point) & mask;; s = (s + 1) & mask)
        if (mSlots[s] == 0) {
            mSlots[s] = index + 1;
            return;
        }
}

bool PointIndex::listed(const ContactList& contacts, const Vector3& point)
{
    // Room for twice the contacts listed; growing rehashes them all.
    if (mSlots.size() < 2 * contacts.size() + 2) {
        std::size_t size = 64;
        while (size < 4 * contacts.size()) size *= 2;
        mSlots.assign(size, 0u);
        mIndexed = 0;
    }
    for (; mIndexed < contacts.size(); ++mIndexed) insert(contacts, std::uint32_t(mIndexed));
    const std::size_t mask = mSlots.size() - 1;
    for (std::size_t s = hashOf(point) & mask; mSlots[s] != 0; s = (s + 1) & mask)
        if (samePoint(contacts[mSlots[s] - 1].point, point)) return true;
    return false;
}

}  // namespace rigidbody
}  // namespace physics
