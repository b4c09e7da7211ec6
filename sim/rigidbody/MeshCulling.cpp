#include "sim/rigidbody/MeshCulling.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace physics {
namespace rigidbody {

namespace {

constexpr double U = 1.0 / (1 << 24);  // unit roundoff of float
constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double SQRT3 = 1.7320508075688772;

// Rounding of the edge points, interval ends and clipped points of the triangle
// tests, for coordinates within rw and edges up to length (tau).
double edgeRounding(double rw, double length) { return 8.1 * U * (rw + length); }

// Slab of a plane value's rounding alone, for coordinates within rw.
double planeRounding(double rw) { return 6.01 * U * rw; }

double distance(const DoubleVector3& a, const DoubleVector3& b) { return norm(a - b); }

// Whether every plane of a's triangles misses b's sphere by more than its slab h:
// then every pair's plane values against a's triangle are non-zero and of one
// sign, and the triangle test rejects the pair first thing. d runs from a's
// centre to b's, centres = |d|. A plane within the cone of normals about a's
// axis and within planeSpread of a's centre is at least
// |d| cos(angle(axis, d) + cone) - planeSpread from b's centre.
bool planesMiss(const WorldBounds& a, const WorldBounds& b, const DoubleVector3& d, double centres, double h)
{
    if (!(a.coneCos > 0)) return false;
    const double along = std::fabs(dot(a.axis, d));
    // |d| sin(angle(axis, d)); a single triangle's cone is too narrow to need it.
    const double across = a.coneSin < 1e-9 ? centres : std::sqrt(std::max(0.0, centres * centres - along * along));
    const double least = along * a.coneCos - across * a.coneSin;
    return least * (1 - 1e-12) - a.planeSpread - b.radius > h;
}

// How far a body-space coordinate p lies outside [lo, hi].
double outside(double p, double lo, double hi) { return std::max(0.0, std::max(lo - p, p - hi)); }

// Lower bound of the distance from b's sphere to the image of a's box: R maps
// the box to a parallelepiped, and shortens distances at most by its least
// singular value.
double boxGap(const WorldBounds& a, const WorldBounds& b)
{
    if (!a.mesh) return -INF;
    const DoubleVector3 p = a.mesh->pointToBody(b.centre);
    const DoubleVector3 lo = toDouble(a.box.min), hi = toDouble(a.box.max);
    const DoubleVector3 beyond{outside(p.x, lo.x, hi.x), outside(p.y, lo.y, hi.y), outside(p.z, lo.z, hi.z)};
    double size = 0;
    for (int i = 0; i < 3; ++i) size += std::fabs(p[i]) + std::fabs(lo[i]) + std::fabs(hi[i]);
    // The double inverse and the centre are good to a few parts in 1e16.
    return a.mesh->leastStretch() * (norm(beyond) - 1e-14 * size) * (1 - 1e-12) - b.radius - a.vertexError -
           1e-12 * (a.coordinateBound + b.coordinateBound);
}

}  // namespace

double pairReach(double slabA, double slabB, double altitudeA, double altitudeB, double rw, double length,
                 double sinAngle)
{
    const double hA = slabA + planeRounding(rw);
    const double hB = slabB + planeRounding(rw);
    const double tau = edgeRounding(rw, length);
    // Thin triangles could lean on the other's plane at any angle.
    if (!(altitudeA >= 4 * (hB + 2 * tau) && altitudeB >= 4 * (hA + 2 * tau))) return INF;
    if (!(sinAngle > 0)) return INF;
    const double crossing = SQRT3 * (hA + hB + 4 * tau) / sinAngle + 6 * tau;
    const double coplanar = 1.2 * (std::max(hA, hB) + 3 * tau) + 3 * tau;
    return std::max(crossing, coplanar) * (1 + 1e-9);
}

double triangleReach(const WorldBounds& a, const WorldBounds& b, double sinAngle)
{
    if (!(a.regular && b.regular)) return INF;
    return pairReach(a.slab, b.slab, a.leastAltitude, b.leastAltitude, std::max(a.coordinateBound, b.coordinateBound),
                     std::max(a.longestEdge, b.longestEdge), sinAngle);
}

double sphereGap(const WorldBounds& a, const WorldBounds& b)
{
    return distance(a.centre, b.centre) * (1 - 1e-12) - a.radius - b.radius -
           1e-12 * (a.coordinateBound + b.coordinateBound);
}

double widerGap(double gap, const WorldBounds& a, const WorldBounds& b)
{
    if (!(gap == gap)) return gap;  // NaN stays NaN
    const double fromA = boxGap(a, b), fromB = boxGap(b, a);
    if (!(fromA == fromA && fromB == fromB)) return fromA + fromB;
    return std::max(gap, std::max(fromA, fromB));
}

bool groupsApart(const WorldBounds& a, const WorldBounds& b)
{
    if (!(a.regular && b.regular)) return false;
    const DoubleVector3 d = b.centre - a.centre;
    const double centres = norm(d);
    if (!(centres < INF)) return false;
    const double rw = std::max(a.coordinateBound, b.coordinateBound);
    const double tau = edgeRounding(rw, std::max(a.longestEdge, b.longestEdge));
    if (planesMiss(a, b, d, centres, a.slab + planeRounding(rw) + tau) ||
        planesMiss(b, a, d, centres, b.slab + planeRounding(rw) + tau))
        return true;

    // The cones' least angle, between axes taken either way round: cos and sin of
    // (between - coneA - coneB), where between is at most pi/2.
    if (!(a.coneCos > 0 && b.coneCos > 0)) return false;
    const double c = std::min(1.0, std::fabs(dot(a.axis, b.axis)));
    const double s = std::sqrt(std::max(0.0, 1 - c * c));
    const double cones = a.coneCos * b.coneCos - a.coneSin * b.coneSin;  // cos(coneA + coneB)
    const double conesSin = a.coneSin * b.coneCos + a.coneCos * b.coneSin;
    if (!(cones > 0)) return false;
    const double leastSin = s * cones - c * conesSin;  // sin(between - coneA - coneB)
    if (!(leastSin > 0)) return false;
    return widerGap(sphereGap(a, b), a, b) > triangleReach(a, b, leastSin * (1 - 1e-9));
}

bool trianglesApart(const WorldBounds& a, const WorldBounds& b)
{
    if (!(a.regular && b.regular)) return false;
    const DoubleVector3 d = b.centre - a.centre;
    const double rw = std::max(a.coordinateBound, b.coordinateBound);
    const double tau = edgeRounding(rw, std::max(a.longestEdge, b.longestEdge));
    const double hA = a.slab + planeRounding(rw), hB = b.slab + planeRounding(rw);
    const double spread = a.radius + b.radius;
    // Each axis is the test's own normal, of length 1 + 1e-12 at most.
    if (std::fabs(dot(a.axis, d)) * (1 - 2e-12) - a.planeSpread - b.radius > hA + tau) return true;
    if (std::fabs(dot(b.axis, d)) * (1 - 2e-12) - b.planeSpread - a.radius > hB + tau) return true;

    if (!(a.leastAltitude >= 4 * (hB + 2 * tau) && b.leastAltitude >= 4 * (hA + 2 * tau))) return false;
    const double gap = norm(d) * (1 - 1e-12) - spread - 2e-12 * rw;
    if (!(gap > (1.2 * (std::max(hA, hB) + 3 * tau) + 3 * tau) * (1 + 1e-9))) return false;
    const double sinAngle = norm(cross(a.axis, b.axis)) * (1 - 1e-9) - 1e-12;
    // gap beyond sqrt(3) (hA + hB + 4 tau) / sin + 6 tau, without the division.
    return sinAngle > 0 && (gap - 6 * tau) * sinAngle > SQRT3 * (hA + hB + 4 * tau) * (1 + 1e-9);
}

namespace {

// Band of a mesh's planes about another mesh: a regular triangle of `of` whose
// body-space plane lies farther than the returned distance from centre (the
// other mesh's root centre in of's body space) has a computed world plane missing
// all of the other mesh by more than its slab, so the triangle test rejects every
// pair it makes with that mesh first thing. World distances from a plane are at
// least leastStretch() times body-space ones; the computed plane turns by the
// normal error about a vertex and shifts by rounding.
double planeBand(const MeshInWorld& of, const WorldBounds& ofRoot, const WorldBounds& otherRoot)
{
    const double rw = std::max(ofRoot.coordinateBound, otherRoot.coordinateBound);
    const double reachOut = distance(ofRoot.centre, otherRoot.centre) + ofRoot.radius + otherRoot.radius;
    const double world = otherRoot.radius + ofRoot.slab + planeRounding(rw) +
                         edgeRounding(rw, std::max(ofRoot.longestEdge, otherRoot.longestEdge)) +
                         ofRoot.normalError * reachOut;
    // The stored unit normals and offsets are good to a few float roundings.
    return world / of.leastStretch() * (1 + 1e-9) + 1e-6 * (reachOut / of.leastStretch() + rw);
}

double offsetFrom(const TriangleSummary& t, const DoubleVector3& point)
{
    return std::fabs(dot(toDouble(t.normal), point) - t.planeOffset);
}

}  // namespace

void NearParallelPairs::search(const MeshInWorld& first, const MeshInWorld& second, double angle)
{
    mSearched = true;
    mOverflow = false;
    mAngle = std::min(angle, SEARCH_ANGLE);
    const MeshTree* ft = first.tree();
    const MeshTree* st = second.tree();
    mList.pairs.clear();
    mList.firstListed.assign(std::size_t(ft->triangleCount) / 64 + 1, 0);
    mList.secondListed.assign(std::size_t(st->triangleCount) / 64 + 1, 0);
    const std::size_t room = 2 * std::size_t(ft->triangleCount) + 64;

    // The grid holds first's body-space normals. A pair within the search angle in
    // world space lies within a widened angle in first's body space, and the world
    // angle of the candidates found there is then measured.
    if (!(first.bounded() && second.bounded() && mAngle > 0)) {
        mOverflow = true;
        return;
    }
    const double sinBody = first.normalWidening() * std::sin(mAngle);
    if (!(sinBody < 0.5)) {
        mOverflow = true;
        return;
    }
    const double minBodyCosine = std::sqrt(1 - sinBody * sinBody) - 1e-9;
    const double minCosine = std::cos(mAngle);

    // Only triangles whose planes come near the other mesh can be in a pair that
    // the test does not reject at once.
    const WorldBounds& firstRoot = first.nodeBounds(ft->root);
    const WorldBounds& secondRoot = second.nodeBounds(st->root);
    const DoubleVector3 secondInFirst = first.pointToBody(secondRoot.centre);
    const DoubleVector3 firstInSecond = second.pointToBody(firstRoot.centre);
    const double firstBand = planeBand(first, firstRoot, secondRoot);
    const double secondBand = planeBand(second, secondRoot, firstRoot);

    // Second's body-space normals to first's: cof(R1)^-1 cof(R2), then normalised.
    DoubleVector3 toFirst[3];
    first.normalMapFrom(second, toFirst);

    for (std::uint32_t j = 0; j < std::uint32_t(st->triangleCount) && !mOverflow; ++j) {
        const TriangleSummary& sj = st->triangleSummaries[j];
        if (sj.irregular) continue;  // never skipped, so never needs listing
        if (offsetFrom(sj, firstInSecond) > secondBand) continue;
        const DoubleVector3 n = toDouble(sj.normal);
        DoubleVector3 q{dot(toFirst[0], n), dot(toFirst[1], n), dot(toFirst[2], n)};
        const double length = norm(q);
        if (!(length > 0 && length < INF)) {
            mOverflow = true;
            break;
        }
        q = q / length;
        ft->normalGrid.forEachNearlyParallel(q, minBodyCosine, [&](std::uint32_t i, double) {
            if (offsetFrom(ft->triangleSummaries[i], secondInFirst) > firstBand) return;
            const FarTriangle& a = first.farTriangle(i);
            const FarTriangle& b = second.farTriangle(j);
            // The world angle, either way round; the stored unit normals are good to
            // a few float roundings.
            const double c = std::min(1.0, std::fabs(dot(a.normal, b.normal)));
            if (c < minCosine) return;
            // Nearly parallel: list the pair unless distance rules it out at the
            // least angle its computed normals can make.
            if (a.regular && b.regular) {
                const double sinAngle = std::sqrt(1 - c * c) - a.normalError - b.normalError - 1e-6;
                const double rw = std::max(norm(a.centre) + a.radius, norm(b.centre) + b.radius);
                const double length = 2 * std::max(a.radius, b.radius);
                const double gap = distance(a.centre, b.centre) * (1 - 1e-12) - a.radius - b.radius - 1e-12 * rw;
                if (gap > pairReach(a.slab, b.slab, a.leastAltitude, b.leastAltitude, rw, length, sinAngle)) return;
            }
            if (mList.pairs.size() + 2 > room) {
                mOverflow = true;
                return;
            }
            mList.pairs.push_back(i);
            mList.pairs.push_back(j);
            mList.firstListed[i / 64] |= std::uint64_t(1) << (i % 64);
            mList.secondListed[j / 64] |= std::uint64_t(1) << (j % 64);
        });
    }
}

double NearParallelPairs::leastAngle(const WorldBounds& a, const WorldBounds& b) const
{
    const double angle = mAngle - a.normalError - b.normalError - 1e-6;
    return angle > 0 ? angle : 0.0;
}

namespace {

// Whether any bit in [start, start + count) is set.
bool anySet(const std::vector<std::uint64_t>& bits, std::uint32_t start, std::uint32_t count)
{
    for (std::uint32_t i = start, end = start + count; i < end;) {
        const std::uint32_t word = i / 64, offset = i % 64;
        const std::uint32_t take = std::min<std::uint32_t>(64 - offset, end - i);
        const std::uint64_t mask = (take == 64 ? ~std::uint64_t(0) : ((std::uint64_t(1) << take) - 1)) << offset;
        if (bits[word] & mask) return true;
        i += take;
    }
    return false;
}

}  // namespace

bool NearParallelPairs::anyIn(std::uint32_t firstStart, std::uint32_t firstCount, std::uint32_t secondStart,
                              std::uint32_t secondCount) const
{
    if (mOverflow) return true;
    // Most nodes hold no listed triangle at all.
    if (!anySet(mList.firstListed, firstStart, firstCount) || !anySet(mList.secondListed, secondStart, secondCount))
        return false;
    for (std::size_t k = 0; k < mList.pairs.size(); k += 2)
        if (mList.pairs[k] - firstStart < firstCount && mList.pairs[k + 1] - secondStart < secondCount) return true;
    return false;
}

bool sphereMissesBox(const WorldBounds& sphere, const OrientedBox& box)
{
    const DoubleVector3 c = toDouble(box.centre);
    const DoubleVector3 d = sphere.centre - c;
    for (int i = 0; i < 3; ++i) {
        const DoubleVector3 a = toDouble(box.axes[i]);
        const double axisLength = norm(a);
        const double h = box.halfExtents[i];
        // Rounding of the clip's plane values and of the points earlier clips made.
        const double margin =
            25 * U * (axisLength * (sphere.coordinateBound + norm(c) + sphere.longestEdge) + std::fabs(h)) +
            1e-15 * axisLength * (sphere.coordinateBound + norm(c));
        const double along = dot(a, d);
        const double spread = axisLength * sphere.radius;
        // Written so that NaN anywhere keeps the node.
        if (along - spread > h + margin || -along - spread > h + margin) return true;
    }
    return false;
}

bool triangleMissesBox(const Vector3* triangle, const OrientedBox& box)
{
    const DoubleVector3 c = toDouble(box.centre);
    const DoubleVector3 p[3] = {toDouble(triangle[0]), toDouble(triangle[1]), toDouble(triangle[2])};
    double coordinates2 = 0, longest2 = 0;
    for (int k = 0; k < 3; ++k) {
        const DoubleVector3 edge = p[(k + 1) % 3] - p[k];
        coordinates2 = std::max(coordinates2, dot(p[k], p[k]));
        longest2 = std::max(longest2, dot(edge, edge));
    }
    const double coordinates = std::sqrt(coordinates2), longest = std::sqrt(longest2);
    for (int i = 0; i < 3; ++i) {
        const DoubleVector3 a = toDouble(box.axes[i]);
        const double axisLength = norm(a);
        const double h = box.halfExtents[i];
        const double margin = 25 * U * (axisLength * (coordinates + norm(c) + longest) + std::fabs(h)) +
                              1e-15 * axisLength * (coordinates + norm(c));
        // Every vertex beyond the same face; a NaN vertex is beyond none.
        bool beyondMax = true, beyondMin = true;
        for (int k = 0; k < 3; ++k) {
            const double along = dot(a, p[k] - c);
            beyondMax = beyondMax && along > h + margin;
            beyondMin = beyondMin && -along > h + margin;
        }
        if (beyondMax || beyondMin) return true;
    }
    return false;
}

}  // namespace rigidbody
}  // namespace physics
