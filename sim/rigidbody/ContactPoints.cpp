#include "sim/rigidbody/ContactPoints.h"

#include <algorithm>
#include <cstring>

#include "sim/rigidbody/BroadPhase.h"

namespace physics {
namespace rigidbody {

namespace {

// The index of the search under way on this thread, if any.
thread_local PointIndex* activeIndex = nullptr;
thread_local const ContactList* activeList = nullptr;

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

bool pointListed(const ContactList* contacts, const Vector3& point)
{
    if (activeList == contacts && activeIndex && contacts->size() >= SHORT_LIST)
        return activeIndex->listed(*contacts, point);
    for (const Contact& c : *contacts)
        if (samePoint(c.point, point)) return true;
    return false;
}

PointIndex::Scope::Scope(PointIndex& index, const ContactList* contacts) : previous_(activeIndex)
{
    if (contactSearch() == ContactSearch::FULL) return;
    if (index.indexed_ > 0 || index.list_ != contacts) std::fill(index.slots_.begin(), index.slots_.end(), 0u);
    index.list_ = contacts;
    index.indexed_ = 0;
    activeIndex = &index;
    activeList = contacts;
}

PointIndex::Scope::~Scope()
{
    activeIndex = previous_;
    activeList = previous_ ? previous_->list_ : nullptr;
}

void PointIndex::insert(const ContactList& contacts, std::uint32_t index)
{
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = hashOf(contacts[index].point) & mask;; s = (s + 1) & mask)
        if (slots_[s] == 0) {
            slots_[s] = index + 1;
            return;
        }
}

bool PointIndex::listed(const ContactList& contacts, const Vector3& point)
{
    // Room for twice the contacts listed; growing rehashes them all.
    if (slots_.size() < 2 * contacts.size() + 2) {
        std::size_t size = 64;
        while (size < 4 * contacts.size()) size *= 2;
        slots_.assign(size, 0u);
        indexed_ = 0;
    }
    for (; indexed_ < contacts.size(); ++indexed_) insert(contacts, std::uint32_t(indexed_));
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = hashOf(point) & mask; slots_[s] != 0; s = (s + 1) & mask)
        if (samePoint(contacts[slots_[s] - 1].point, point)) return true;
    return false;
}

}  // namespace rigidbody
}  // namespace physics
