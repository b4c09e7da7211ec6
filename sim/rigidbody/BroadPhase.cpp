#include "sim/rigidbody/BroadPhase.h"

#include <algorithm>
#include <cmath>

#include "sim/rigidbody/MeshTree.h"
#include "sim/rigidbody/SearchContext.h"

namespace physics {
namespace rigidbody {

namespace {

constexpr double RELATIVE_PAD = 1e-4;
constexpr double ABSOLUTE_PAD = 1e-15;
constexpr double HUGE_COORDINATE = 1125899906842624.0;  // 2^50
// Rotations further off orthonormal than this (3 g, g the largest entry of
// R^T R - I) are not bounded: their inverses may degenerate.
constexpr double LARGEST_DEFECT = 0.25;

// 3 g for R^T R - I: the singular values of R lie within sqrt(1 -+ 3 g).
double rotationDefect(const Matrix3& r)
{
    for (int a = 0; a < 3; ++a)
        for (int k = 0; k < 3; ++k)
            if (!std::isfinite(r[a][k])) return HUGE_VAL;
    double g = 0;
    for (int j = 0; j < 3; ++j)
        for (int k = j; k < 3; ++k) {
            double dot = 0;
            for (int a = 0; a < 3; ++a) dot += double(r[a][j]) * r[a][k];
            const double off = std::fabs(dot - (j == k ? 1.0 : 0.0));
            if (!(off <= g)) g = off;
        }
    return 3.0 * g;
}

// The world box of body-frame box (centre cb, half extents hb) under rotation r and position p.
void turnedBox(const Matrix3& r, const Vector3& p, const DoubleVector3& cb, const DoubleVector3& hb, DoubleVector3& c,
               DoubleVector3& e)
{
    for (int a = 0; a < 3; ++a) {
        c[a] = double(p[a]) + double(r[a][0]) * cb.x + double(r[a][1]) * cb.y + double(r[a][2]) * cb.z;
        e[a] = std::fabs(double(r[a][0])) * hb.x + std::fabs(double(r[a][1])) * hb.y + std::fabs(double(r[a][2])) * hb.z;
    }
}

bool planeMayTouch(const BroadPhase::Reach& p, const BroadPhase::Reach& x)
{
    const double nn = dot(p.normal, p.normal);
    double centre = p.offset * nn, reach = 0, scale = std::fabs(p.offset) * nn;
    for (int a = 0; a < 3; ++a) {
        centre += p.normal[a] * x.centre[a];
        reach += std::fabs(p.normal[a]) * x.extent[a];
        scale += std::fabs(p.normal[a]) * (std::fabs(x.centre[a]) + x.extent[a]);
    }
    double lowest = centre - reach;
    if (x.sphere) lowest = std::min(lowest, centre - x.radius);
    return lowest <= RELATIVE_PAD * scale + ABSOLUTE_PAD;
}

bool overlap(const BroadPhase::Reach& a, const BroadPhase::Reach& b)
{
    for (int k = 0; k < 3; ++k)
        if (a.lo[k] > b.hi[k] || b.lo[k] > a.hi[k]) return false;
    return true;
}

double largestSphereOf(const std::vector<RigidBody*>& bodies, double largest)
{
    for (const RigidBody* b : bodies)
        if (b->shapeType == SHAPE_SPHERE) {
            const double r = std::fabs(double(static_cast<const SphereBody*>(b)->radius));
            if (std::isfinite(r)) largest = std::max(largest, r);
        }
    return largest;
}

}  // namespace

BroadPhase::Reach BroadPhase::reachOf(const RigidBody* body, double largestSphere)
{
    Reach r{};
    r.kind = Reach::EVERYWHERE;
    r.shape = body->shapeType;
    DoubleVector3 cb{0, 0, 0}, hb{0, 0, 0};
    double inflate = 0;
    switch (body->shapeType) {
    case SHAPE_PLANE: {
        const Plane& plane = static_cast<const PlaneBody*>(body)->plane;
        r.normal = toDouble(plane.normal);
        r.offset = plane.d;
        const double size = std::fabs(r.offset) + std::fabs(r.normal[0]) + std::fabs(r.normal[1]) +
                            std::fabs(r.normal[2]);
        if (std::isfinite(size) && size < HUGE_COORDINATE) r.kind = Reach::PLANE;
        return r;
    }
    case SHAPE_SPHERE: {
        const double radius = static_cast<const SphereBody*>(body)->radius;
        if (!(radius >= 0)) return r;
        r.sphere = true;
        r.radius = radius;
        r.centre = toDouble(body->position);
        r.extent = DoubleVector3{radius, radius, radius};
        break;
    }
    case SHAPE_BOX: {
        const Vector3& h = static_cast<const BoxBody*>(body)->halfExtents;
        for (int a = 0; a < 3; ++a) {
            if (!(h[a] >= 0.0f)) return r;
            hb[a] = h[a];
        }
        r.defect = rotationDefect(body->rotation);
        if (!(r.defect < LARGEST_DEFECT)) return r;
        turnedBox(body->rotation, body->position, cb, hb, r.centre, r.extent);
        // What the box's inverse transform and clipping planes see of a sphere or
        // of the box itself, through the defect.
        inflate = 8.0 * r.defect * (norm(hb) + largestSphere);
        break;
    }
    case SHAPE_TRIANGLE_MESH: {
        const MeshTree* tree = static_cast<const TriangleMeshBody*>(body)->meshTree;
        if (!tree || !tree->root) return r;
        const BoundingBox& b = tree->bounds;
        for (int a = 0; a < 3; ++a) {
            if (!(b.min[a] <= b.max[a])) return r;
            cb[a] = (double(b.min[a]) + b.max[a]) / 2;
            hb[a] = (double(b.max[a]) - b.min[a]) / 2;
        }
        r.mesh = true;
        r.defect = rotationDefect(body->rotation);
        if (!(r.defect < LARGEST_DEFECT)) return r;
        turnedBox(body->rotation, body->position, cb, hb, r.centre, r.extent);
        inflate = 8.0 * r.defect * norm(hb);
        break;
    }
    default:
        return r;
    }

    double size = 0, place = 0;
    for (int a = 0; a < 3; ++a) {
        size = std::max(size, r.extent[a]);
        place = std::max(place, std::fabs(r.centre[a]));
    }
    if (!isFinite(r.centre) || !isFinite(r.extent) || !(place + size < HUGE_COORDINATE) || !std::isfinite(inflate))
        return r;
    const double pad = RELATIVE_PAD * (place + size) + ABSOLUTE_PAD + inflate;
    r.extent = r.extent + DoubleVector3{pad, pad, pad};
    r.lo = r.centre - r.extent;
    r.hi = r.centre + r.extent;
    r.kind = Reach::BOUNDED;
    return r;
}

bool BroadPhase::mayTouch(const Reach& a, const Reach& b)
{
    if (a.shape == SHAPE_PLANE && b.shape == SHAPE_PLANE) return false;  // planes never touch
    if (a.kind == Reach::EVERYWHERE || b.kind == Reach::EVERYWHERE) return true;
    if (a.kind == Reach::PLANE) return planeMayTouch(a, b);
    if (b.kind == Reach::PLANE) return planeMayTouch(b, a);
    if (a.mesh && b.mesh) return true;
    return overlap(a, b);
}

void BroadPhase::addPair(std::uint32_t i, std::uint32_t j)
{
    mPairs.push_back(i < j ? (std::uint64_t(i) << 32 | j) : (std::uint64_t(j) << 32 | i));
}

// The bounded bodies in the last step's order, then insertion sort on the axis
// along which their boxes spread most: bodies move little between steps. Where
// they moved much, a full sort.
void BroadPhase::sortSweep()
{
    const std::size_t n = mReach.size();
    DoubleVector3 sum{0, 0, 0}, sum2{0, 0, 0};
    std::size_t bounded = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (mReach[i].kind == Reach::BOUNDED) {
            ++bounded;
            for (int a = 0; a < 3; ++a) {
                sum[a] += mReach[i].centre[a];
                sum2[a] += mReach[i].centre[a] * mReach[i].centre[a];
            }
        }
    int axis = 0;
    double best = -1;
    for (int a = 0; a < 3; ++a) {
        const double spread = sum2[a] - sum[a] * sum[a] / double(std::max<std::size_t>(bounded, 1));
        if (spread > best) {
            best = spread;
            axis = a;
        }
    }

    // Boxes as floats rounded outwards: half the memory, and no tighter.
    auto item = [this](std::uint32_t i) {
        SweepItem it;
        for (int a = 0; a < 3; ++a) {
            it.lo[a] = std::nextafter(float(mReach[i].lo[a]), -HUGE_VALF);
            it.hi[a] = std::nextafter(float(mReach[i].hi[a]), HUGE_VALF);
        }
        it.body = i;
        it.mesh = mReach[i].mesh;
        return it;
    };
    mSweep.clear();
    mSlot.assign(n, 0);
    for (std::uint32_t i : mSweepOrder)
        if (i < n && mReach[i].kind == Reach::BOUNDED && !mSlot[i]) {
            mSlot[i] = 1;
            mSweep.push_back(item(i));
        }
    for (std::uint32_t i = 0; i < n; ++i)
        if (mReach[i].kind == Reach::BOUNDED && !mSlot[i]) mSweep.push_back(item(i));

    const std::size_t m = mSweep.size();
    std::size_t moves = 0;
    for (std::size_t i = 1; i < m && moves <= 8 * m; ++i) {
        const SweepItem it = mSweep[i];
        std::size_t j = i;
        while (j > 0 && mSweep[j - 1].lo[axis] > it.lo[axis]) {
            mSweep[j] = mSweep[j - 1];
            --j;
            ++moves;
        }
        mSweep[j] = it;
    }
    if (moves > 8 * m)
        std::sort(mSweep.begin(), mSweep.end(),
                  [axis](const SweepItem& x, const SweepItem& y) { return x.lo[axis] < y.lo[axis]; });
    mSweepOrder.resize(m);
    for (std::size_t i = 0; i < m; ++i) mSweepOrder[i] = mSweep[i].body;
    mSweepAxis = axis;
}

void BroadPhase::findContacts(const std::vector<RigidBody*>& bodies, ContactList* contacts, SearchContext& context)
{
    const std::size_t n = bodies.size();
    const double largestSphere = largestSphereOf(bodies, 0.0);
    mReach.resize(n);
    mPlanes.clear();
    mEverywhere.clear();
    mMeshes.clear();
    for (std::size_t i = 0; i < n; ++i) {
        mReach[i] = reachOf(bodies[i], largestSphere);
        if (mReach[i].kind == Reach::EVERYWHERE) mEverywhere.push_back(std::uint32_t(i));
        else if (mReach[i].kind == Reach::PLANE) mPlanes.push_back(std::uint32_t(i));
        else if (mReach[i].mesh) mMeshes.push_back(std::uint32_t(i));
    }

    // Every pair that may touch, each once.
    mPairs.clear();
    for (std::uint32_t e : mEverywhere)
        for (std::uint32_t k = 0; k < n; ++k) {
            if (k == e || (mReach[k].kind == Reach::EVERYWHERE && k < e)) continue;
            if (mayTouch(mReach[e], mReach[k])) addPair(e, k);
        }
    for (std::uint32_t p : mPlanes)
        for (std::uint32_t k = 0; k < n; ++k)
            if (mReach[k].kind == Reach::BOUNDED && planeMayTouch(mReach[p], mReach[k])) addPair(p, k);
    for (std::size_t a = 0; a < mMeshes.size(); ++a)
        for (std::size_t b = a + 1; b < mMeshes.size(); ++b) addPair(mMeshes[a], mMeshes[b]);
    sortSweep();
    const int axis = mSweepAxis, other1 = (axis + 1) % 3, other2 = (axis + 2) % 3;
    const std::size_t m = mSweep.size();
    for (std::size_t a = 0; a < m; ++a) {
        const SweepItem& x = mSweep[a];
        for (std::size_t b = a + 1; b < m; ++b) {
            const SweepItem& y = mSweep[b];
            if (y.lo[axis] > x.hi[axis]) break;
            if (x.lo[other1] > y.hi[other1] || y.lo[other1] > x.hi[other1] || x.lo[other2] > y.hi[other2] ||
                y.lo[other2] > x.hi[other2] || (x.mesh && y.mesh))
                continue;
            addPair(x.body, y.body);
        }
    }

    // In the full loop's order: by the lower index, then the higher.
    mFirst.assign(n + 1, 0);
    for (std::uint64_t p : mPairs) ++mFirst[(p >> 32) + 1];
    for (std::size_t i = 0; i < n; ++i) mFirst[i + 1] += mFirst[i];
    mPartners.resize(mPairs.size());
    mFill.assign(mFirst.begin(), mFirst.end() - 1);
    for (std::uint64_t p : mPairs) mPartners[mFill[p >> 32]++] = std::uint32_t(p);
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t* begin = mPartners.data() + mFirst[i];
        std::uint32_t* end = mPartners.data() + mFirst[i + 1];
        if (end - begin > 16) {
            std::sort(begin, end);
        } else {
            for (std::uint32_t* p = begin + 1; p < end; ++p)
                for (std::uint32_t* q = p; q > begin && q[-1] > q[0]; --q) std::swap(q[-1], q[0]);
        }
        RigidBody* bi = bodies[i];
        for (const std::uint32_t* j = begin; j != end; ++j) context.collide(bi, bodies[*j], contacts);
    }
}

bool BroadPhase::touchesAny(RigidBody* candidate, const std::vector<RigidBody*>& bodies, ContactList* contacts,
                            SearchContext& context)
{
    double largestSphere = 0.0;
    if (candidate->shapeType == SHAPE_SPHERE) {
        const double r = std::fabs(double(static_cast<const SphereBody*>(candidate)->radius));
        if (std::isfinite(r)) largestSphere = r;
    }
    largestSphere = largestSphereOf(bodies, largestSphere);
    const Reach c = reachOf(candidate, largestSphere);
    for (RigidBody* other : bodies) {
        if (!mayTouch(c, reachOf(other, largestSphere))) continue;
        context.collide(candidate, other, contacts);
        if (!contacts->empty()) return true;
    }
    return false;
}

}  // namespace rigidbody
}  // namespace physics
