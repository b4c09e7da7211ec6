#include "sim/rigidbody/MeshCulling.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "sim/rigidbody/MeshToWorld.h"

namespace physics {
namespace rigidbody {

namespace {

constexpr double U = 1.0 / (1 << 24);  // unit roundoff of float
constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double SQRT3 = 1.7320508075688772;
// The plane-value snap of intersectTriangles (1e-6), with its comparison's rounding.
constexpr double SNAP = 1.0001e-6;

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double norm(const double v[3]) { return std::sqrt(dot(v, v)); }
double norm(const Vector3& v) { return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z); }

// Rounding of the edge points, interval ends and clipped points of the triangle
// tests, for coordinates within rw and edges up to length (MeshCulling.h).
double edgeRounding(double rw, double length) { return 8.1 * U * (rw + length); }

// Slab of a plane value's rounding alone, for coordinates within rw.
double planeRounding(double rw) { return 6.01 * U * rw; }

}  // namespace

MeshWorldCache::MeshWorldCache(const MeshTree& tree)
    : tree(&tree),
      vertices(std::size_t(tree.reachedVertexCount)),
      vertexWalk(vertices.size(), 0),
      nodes(tree.nodeSummaries.size()),
      nodeWalk(nodes.size(), 0),
      triangles(tree.triangleSummaries.size()),
      triangleWalk(triangles.size(), 0),
      farTriangles(triangles.size()),
      farTriangleWalk(triangles.size(), 0),
      facets(triangles.size()),
      facetWalk(triangles.size(), 0),
      listed(triangles.size() / 64 + 1, 0)
{
    // Room for as many listed pairs as triangles; more stops the skipping by distance.
    pairs.reserve(2 * triangles.size() + 64);
    // Room for the pair search's pairs: more than this make it give way to the
    // walk of node pairs.
    candidates.reserve(4 * triangles.size() + 1024);
}

bool MeshWorldCache::fits(const MeshTree& other) const
{
    return tree == &other && vertices.size() == std::size_t(other.reachedVertexCount) &&
           nodes.size() == other.nodeSummaries.size() && triangles.size() == other.triangleSummaries.size();
}

MeshInWorld::MeshInWorld(const MeshTree& tree, MeshWorldCache& cache, const Matrix3& rotation, const Vector3& position,
                         RigidBody* body)
    : tree_(&tree), cache_(&cache), body_(body)
{
    // The walks' own transform: the bounds below are of the floats they see.
    transform_ = meshTransform(rotation, position);

    // A new walk: entries of earlier walks are stale, unless they were computed
    // from the same floats. On wrap-around all are cleared.
    const bool sameTransform =
        cache_->transformKnown && std::memcmp(&cache_->transform, &transform_, sizeof transform_) == 0;
    if (!sameTransform && ++cache_->walk == 0) {
        for (auto* stamps : {&cache_->vertexWalk, &cache_->nodeWalk, &cache_->triangleWalk, &cache_->farTriangleWalk,
                             &cache_->facetWalk})
            std::fill(stamps->begin(), stamps->end(), 0);
        cache_->walk = 1;
    }
    cache_->transform = transform_;
    cache_->transformKnown = true;

    bool finite = true;
    double frobenius2 = 0;
    for (int i = 0; i < 3; ++i) {
        t_[i] = transform_.m[i][3];
        finite = finite && std::isfinite(t_[i]);
        for (int j = 0; j < 3; ++j) {
            r_[i][j] = transform_.m[i][j];
            finite = finite && std::isfinite(r_[i][j]);
            frobenius2 += r_[i][j] * r_[i][j];
        }
    }
    frobenius_ = std::sqrt(frobenius2);

    // Singular values of a matrix from its Gram matrix by Gershgorin's discs: the
    // largest squared at most the greatest absolute row sum, the least squared at
    // least the least diagonal less the rest of its row.
    auto singularBounds = [](const double m[3][3], double& largest, double& least2) {
        double g[3][3];
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) g[j][k] = m[0][j] * m[0][k] + m[1][j] * m[1][k] + m[2][j] * m[2][k];
        double rowMax = 0, rowMin = INF;
        for (int j = 0; j < 3; ++j) {
            const double off = std::fabs(g[j][(j + 1) % 3]) + std::fabs(g[j][(j + 2) % 3]);
            rowMax = std::max(rowMax, std::fabs(g[j][j]) + off);
            rowMin = std::min(rowMin, g[j][j] - off);
        }
        largest = std::sqrt(rowMax) * (1 + 1e-12);
        least2 = rowMin * (1 - 1e-12) - 1e-15 * rowMax;
    };
    singularBounds(r_, sMax_, sMin2_);

    // The cofactor matrix carries a triangle's normal: (R a) x (R b) = cof(R) (a x b).
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            cofactor_[i][j] = r_[i1][j1] * r_[i2][j2] - r_[i1][j2] * r_[i2][j1];
        }
    const double det = r_[0][0] * cofactor_[0][0] + r_[0][1] * cofactor_[0][1] + r_[0][2] * cofactor_[0][2];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            cofactorInverse_[i][j] = r_[j][i] / det;  // R^T / det(R)
            inverse_[i][j] = cofactor_[j][i] / det;    // cof(R)^T / det(R)
        }
    double cMax, cMin2;
    singularBounds(cofactor_, cMax, cMin2);
    bounded_ = finite && sMin2_ > 0 && cMin2 > 0 && std::isfinite(det);
    // The angle between images of x and y: |Cx x Cy| = |cof(C) (x x y)| <= cMax^2
    // sin(angle), |Cx| |Cy| >= cMin^2. The same numbers bound the inverse.
    widening_ = bounded_ ? cMax * cMax / cMin2 : INF;
    // Cones wider than a right angle in world space are no use; they stay below it
    // for half angles up to 1 when cos(1) cMin^2 > sin(1) (cMax^2 - cMin^2) / 2.
    cones_ = bounded_ && 0.5403 * cMin2 > 0.8415 * (cMax * cMax - cMin2) / 2;
}

Vector3 MeshInWorld::vertex(std::uint16_t index) const
{
    if (cache_->vertexWalk[index] != cache_->walk) {
        const float* v = tree_->vertices + 3 * std::size_t(index);
        cache_->vertices[index] = Matrix4::transformAffine(transform_, Vector3{v[0], v[1], v[2]});
        cache_->vertexWalk[index] = cache_->walk;
    }
    return cache_->vertices[index];
}

void MeshInWorld::triangle(std::uint32_t t, Vector3 out[3]) const
{
    const std::uint16_t* tri = tree_->triangles + 3 * std::size_t(t);
    for (int k = 0; k < 3; ++k) out[k] = vertex(tri[k]);
}

void MeshInWorld::normalToWorld(const Vector3& body, double out[3]) const
{
    for (int i = 0; i < 3; ++i) out[i] = cofactor_[i][0] * body.x + cofactor_[i][1] * body.y + cofactor_[i][2] * body.z;
    const double length = norm(out);
    for (int i = 0; i < 3; ++i) out[i] /= length;
}

void MeshInWorld::normalMapFrom(const MeshInWorld& other, double out[3][3]) const
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out[i][j] = cofactorInverse_[i][0] * other.cofactor_[0][j] + cofactorInverse_[i][1] * other.cofactor_[1][j] +
                        cofactorInverse_[i][2] * other.cofactor_[2][j];
}

void MeshInWorld::pointToBody(const double world[3], double out[3]) const
{
    const double d[3] = {world[0] - t_[0], world[1] - t_[1], world[2] - t_[2]};
    for (int i = 0; i < 3; ++i) out[i] = inverse_[i][0] * d[0] + inverse_[i][1] * d[1] + inverse_[i][2] * d[2];
}

void MeshInWorld::normalToBody(const double world[3], double out[3]) const
{
    for (int i = 0; i < 3; ++i)
        out[i] = cofactorInverse_[i][0] * world[0] + cofactorInverse_[i][1] * world[1] +
                 cofactorInverse_[i][2] * world[2];
    const double length = norm(out);
    for (int i = 0; i < 3; ++i) out[i] /= length;
}

const WorldTriangle& MeshInWorld::worldTriangle(std::uint32_t t) const
{
    if (cache_->triangleWalk[t] == cache_->walk) return cache_->triangles[t];
    WorldTriangle& w = cache_->triangles[t];
    triangle(t, w.p);
    WorldBounds& b = w.bounds;
    const Vector3 n = crossProduct(Vector3(w.p[1] - w.p[0]), Vector3(w.p[2] - w.p[0]));
    const double normalLength = norm(n) * (1 - 1e-12);
    double radius2 = 0, coordinates2 = 0, longest2 = 0;
    for (int a = 0; a < 3; ++a) b.centre[a] = (double(w.p[0][a]) + w.p[1][a] + w.p[2][a]) / 3;
    for (int k = 0; k < 3; ++k) {
        const Vector3& p = w.p[k];
        const Vector3& q = w.p[(k + 1) % 3];
        const double d[3] = {p.x - b.centre[0], p.y - b.centre[1], p.z - b.centre[2]};
        const double e[3] = {double(q.x) - p.x, double(q.y) - p.y, double(q.z) - p.z};
        radius2 = std::max(radius2, dot(d, d));
        coordinates2 = std::max(coordinates2, double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z);
        longest2 = std::max(longest2, dot(e, e));
    }
    const double coordinates = std::sqrt(coordinates2);
    b.radius = std::sqrt(radius2) * (1 + 1e-12) + 1e-15 * coordinates;
    b.coordinateBound = coordinates * (1 + 1e-12);
    b.longestEdge = std::sqrt(longest2) * (1 + 1e-12);
    b.slab = SNAP / normalLength;
    // The doubled area of the triangle of these floats differs from |n| by at most
    // 3.01 u L^2 (rounded edges and cross product).
    b.leastAltitude = (normalLength - 3.01 * U * longest2) / b.longestEdge;
    b.normalError = 0;  // the test's own normal
    for (int a = 0; a < 3; ++a) b.axis[a] = n[a] / normalLength;
    b.coneCos = 1;
    b.coneSin = 1e-12;
    // The centroid of vertices that lie within 2 u L of their plane.
    b.planeSpread = 3 * U * b.longestEdge + 1e-15 * coordinates;
    // NaN fails every comparison, so it never counts as regular.
    b.regular = !tree_->triangleSummaries[t].irregular && normalLength > 0 && normalLength < INF && b.radius < INF &&
                b.coordinateBound < INF && b.longestEdge > 0;
    cache_->triangleWalk[t] = cache_->walk;
    return w;
}

MeshInWorld::GroupInWorld MeshInWorld::groupInWorld(const Sphere& sphere, float longestEdge, float doubleArea,
                                                    float altitude) const
{
    GroupInWorld g;
    const double c[3] = {sphere.centre.x, sphere.centre.y, sphere.centre.z};
    const double r = sphere.radius;
    for (int i = 0; i < 3; ++i) g.centre[i] = r_[i][0] * c[0] + r_[i][1] * c[1] + r_[i][2] * c[2] + t_[i];
    g.centreNorm = norm(g.centre);
    // Terms of the double sums of transformAffine, for their own (tiny) rounding.
    g.terms = frobenius_ * (norm(c) + r) + norm(t_);
    // A computed vertex lies within vertexError of its exact image R v + t.
    g.vertexError = 1.0001 * U * (g.centreNorm + sMax_ * r) + 1e-15 * g.terms;
    g.radius = (sMax_ * r + g.vertexError + 1e-15 * g.terms) * (1 + 1e-12);
    g.longestEdge = (sMax_ * double(longestEdge) + 2 * g.vertexError) * (1 + 4 * U);

    // |n1| of a computed triangle: at least the exact world triangle's doubled
    // area (>= sMin^2 times its body-space one), less the rounding of the edges and
    // of the cross product.
    const double L = g.longestEdge;
    const double normalError = L * (8.1 * g.vertexError + 5.1 * U * L);
    g.leastNormal = sMin2_ * double(doubleArea) - normalError;
    g.slab = SNAP / g.leastNormal;
    g.normalError = 1.6 * normalError / g.leastNormal + 3 * U;
    g.leastAltitude = std::max(0.0, sMin2_ / sMax_ * double(altitude) - 4.1 * g.vertexError);
    return g;
}

const WorldBounds& MeshInWorld::nodeBounds(const MeshTreeNode* node) const
{
    WorldBounds& b = cache_->nodes[node->index];
    if (cache_->nodeWalk[node->index] == cache_->walk) {
        // Computed by this walk or, with the same transform, by one before it:
        // the box's mesh is this one now.
        if (b.mesh) b.mesh = this;
        return b;
    }
    const NodeSummary& s = tree_->nodeSummaries[node->index];

    const GroupInWorld g = groupInWorld(s.sphere, s.maxEdge, s.minDoubleArea, s.minAltitude);
    for (int i = 0; i < 3; ++i) b.centre[i] = g.centre[i];
    b.radius = g.radius;
    b.coordinateBound = g.centreNorm + b.radius;
    b.longestEdge = g.longestEdge;
    b.slab = g.slab;
    b.normalError = g.normalError;
    b.leastAltitude = g.leastAltitude;

    // The cone carried into world space by the cofactor matrix, widened by it and
    // by the computed normals' error.
    normalToWorld(s.coneAxis, b.axis);
    const double bodyAngle = s.coneAngle;
    if (cones_ && bodyAngle <= 1.0) {
        const double widened = std::min(1.0, widening_ * std::sin(bodyAngle));
        const double angle = std::asin(widened) + b.normalError + 1e-6;
        b.coneCos = angle < 1.5 ? std::cos(angle) : -1;
        b.coneSin = angle < 1.5 ? std::sin(angle) : 1;
    } else {
        b.coneCos = -1;
        b.coneSin = 1;
    }
    // The centre's distance from a computed plane: the exact world plane is at most
    // sMax times the body-space distance away; the computed one is turned by the
    // normal error about a vertex within radius and shifted by its rounding.
    b.planeSpread = (sMax_ * double(s.planeSpread) + b.normalError * b.radius + g.vertexError) * (1 + 1e-12);

    b.regular = s.irregularCount == 0 && bounded_ && g.leastNormal > 0 && b.normalError < 0.1 &&
                b.coordinateBound < INF && b.slab < INF;
    b.mesh = bounded_ ? this : nullptr;
    b.box = s.box;
    b.vertexError = g.vertexError + 1e-15 * g.terms;
    cache_->nodeWalk[node->index] = cache_->walk;
    return b;
}

const FarTriangle& MeshInWorld::farTriangle(std::uint32_t t) const
{
    FarTriangle& f = cache_->farTriangles[t];
    if (cache_->farTriangleWalk[t] == cache_->walk) return f;
    const TriangleSummary& s = tree_->triangleSummaries[t];
    const GroupInWorld g = groupInWorld(s.sphere, s.longestEdge, s.doubleArea, s.altitude);
    for (int i = 0; i < 3; ++i) f.centre[i] = g.centre[i];
    f.radius = g.radius;
    normalToWorld(s.normal, f.normal);
    f.slab = g.slab;
    f.normalError = g.normalError;
    f.leastAltitude = g.leastAltitude;
    f.regular = !s.irregular && bounded_ && g.leastNormal > 0 && f.normalError < 0.1 && g.centreNorm < INF;
    cache_->farTriangleWalk[t] = cache_->walk;
    return f;
}

const Facet& MeshInWorld::facet(std::uint32_t t) const
{
    Facet& f = cache_->facets[t];
    if (cache_->facetWalk[t] == cache_->walk) return f;
    triangle(t, f.p);
    f.plane = trianglePlane(f.p[0], f.p[1], f.p[2]);
    cache_->facetWalk[t] = cache_->walk;
    return f;
}

namespace {

// The reach of MeshCulling.h for two groups with slab widths and altitudes as
// given, coordinates within rw and edges up to length.
double reach(double slabA, double slabB, double altitudeA, double altitudeB, double rw, double length,
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

double distance(const double a[3], const double b[3])
{
    const double d[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    return norm(d);
}

// Whether every plane of a's triangles misses b's sphere by more than its slab h:
// then every pair's plane values against a's triangle are non-zero and of one
// sign, and the triangle test rejects the pair first thing. d runs from a's
// centre to b's, centres = |d|. A plane within the cone of normals about a's
// axis and within planeSpread of a's centre is at least
// |d| cos(angle(axis, d) + cone) - planeSpread from b's centre.
bool planesMiss(const WorldBounds& a, const WorldBounds& b, const double d[3], double centres, double h)
{
    if (!(a.coneCos > 0)) return false;
    const double along = std::fabs(dot(a.axis, d));
    // |d| sin(angle(axis, d)); a single triangle's cone is too narrow to need it.
    const double across = a.coneSin < 1e-9 ? centres : std::sqrt(std::max(0.0, centres * centres - along * along));
    const double least = along * a.coneCos - across * a.coneSin;
    return least * (1 - 1e-12) - a.planeSpread - b.radius > h;
}

}  // namespace

double triangleReach(const WorldBounds& a, const WorldBounds& b, double sinAngle)
{
    if (!(a.regular && b.regular)) return INF;
    return reach(a.slab, b.slab, a.leastAltitude, b.leastAltitude, std::max(a.coordinateBound, b.coordinateBound),
                 std::max(a.longestEdge, b.longestEdge), sinAngle);
}

namespace {

// Lower bound of the distance from b's sphere to the image of a's box: R maps
// the box to a parallelepiped, and shortens distances at most by its least
// singular value.
double boxGap(const WorldBounds& a, const WorldBounds& b)
{
    if (!a.mesh) return -INF;
    double p[3];
    a.mesh->pointToBody(b.centre, p);
    const double lo[3] = {a.box.min.x, a.box.min.y, a.box.min.z};
    const double hi[3] = {a.box.max.x, a.box.max.y, a.box.max.z};
    double outside2 = 0, size = 0;
    for (int i = 0; i < 3; ++i) {
        const double beyond = std::max(0.0, std::max(lo[i] - p[i], p[i] - hi[i]));
        outside2 += beyond * beyond;
        size += std::fabs(p[i]) + std::fabs(lo[i]) + std::fabs(hi[i]);
    }
    // The double inverse and the centre are good to a few parts in 1e16.
    return a.mesh->leastStretch() * (std::sqrt(outside2) - 1e-14 * size) * (1 - 1e-12) - b.radius - a.vertexError -
           1e-12 * (a.coordinateBound + b.coordinateBound);
}

}  // namespace

double sphereGap(const WorldBounds& a, const WorldBounds& b)
{
    return distance(a.centre, b.centre) * (1 - 1e-12) - a.radius - b.radius -
           1e-12 * (a.coordinateBound + b.coordinateBound);
}

double gapBetween(const WorldBounds& a, const WorldBounds& b) { return widerGap(sphereGap(a, b), a, b); }

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
    const double d[3] = {b.centre[0] - a.centre[0], b.centre[1] - a.centre[1], b.centre[2] - a.centre[2]};
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
    return gapBetween(a, b) > triangleReach(a, b, leastSin * (1 - 1e-9));
}

bool trianglesApart(const WorldBounds& a, const WorldBounds& b)
{
    if (!(a.regular && b.regular)) return false;
    const double d[3] = {b.centre[0] - a.centre[0], b.centre[1] - a.centre[1], b.centre[2] - a.centre[2]};
    const double rw = std::max(a.coordinateBound, b.coordinateBound);
    const double tau = edgeRounding(rw, std::max(a.longestEdge, b.longestEdge));
    const double hA = a.slab + planeRounding(rw), hB = b.slab + planeRounding(rw);
    const double spread = a.radius + b.radius;
    // Each axis is the test's own normal, of length 1 + 1e-12 at most.
    if (std::fabs(dot(a.axis, d)) * (1 - 2e-12) - a.planeSpread - b.radius > hA + tau) return true;
    if (std::fabs(dot(b.axis, d)) * (1 - 2e-12) - b.planeSpread - a.radius > hB + tau) return true;

    if (!(a.leastAltitude >= 4 * (hB + 2 * tau) && b.leastAltitude >= 4 * (hA + 2 * tau))) return false;
    const double gap = std::sqrt(dot(d, d)) * (1 - 1e-12) - spread - 2e-12 * rw;
    if (!(gap > (1.2 * (std::max(hA, hB) + 3 * tau) + 3 * tau) * (1 + 1e-9))) return false;
    const double cross[3] = {a.axis[1] * b.axis[2] - a.axis[2] * b.axis[1], a.axis[2] * b.axis[0] - a.axis[0] * b.axis[2],
                             a.axis[0] * b.axis[1] - a.axis[1] * b.axis[0]};
    const double sinAngle = std::sqrt(dot(cross, cross)) * (1 - 1e-9) - 1e-12;
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

double offsetFrom(const TriangleSummary& t, const double point[3])
{
    return std::fabs(t.normal.x * point[0] + t.normal.y * point[1] + t.normal.z * point[2] - t.planeOffset);
}

}  // namespace

void NearParallelPairs::search(const MeshInWorld& first, const MeshInWorld& second, double angle)
{
    first_ = &first;
    second_ = &second;
    searched_ = true;
    overflow_ = false;
    angle_ = std::min(angle, SEARCH_ANGLE);
    MeshWorldCache& fc = first.cache();
    MeshWorldCache& sc = second.cache();
    fc.pairs.clear();
    std::fill(fc.listed.begin(), fc.listed.end(), 0);
    std::fill(sc.listed.begin(), sc.listed.end(), 0);

    // The grid holds first's body-space normals. A pair within the search angle in
    // world space lies within a widened angle in first's body space, and the world
    // angle of the candidates found there is then measured.
    if (!(first.bounded() && second.bounded() && angle_ > 0)) {
        overflow_ = true;
        return;
    }
    const double sinBody = first.normalWidening() * std::sin(angle_);
    if (!(sinBody < 0.5)) {
        overflow_ = true;
        return;
    }
    const double minBodyCosine = std::sqrt(1 - sinBody * sinBody) - 1e-9;
    const double minCosine = std::cos(angle_);
    const MeshTree* ft = first.tree();
    const MeshTree* st = second.tree();

    // Only triangles whose planes come near the other mesh can be in a pair that
    // the test does not reject at once.
    const WorldBounds& firstRoot = first.nodeBounds(ft->root);
    const WorldBounds& secondRoot = second.nodeBounds(st->root);
    double secondInFirst[3], firstInSecond[3];
    first.pointToBody(secondRoot.centre, secondInFirst);
    second.pointToBody(firstRoot.centre, firstInSecond);
    const double firstBand = planeBand(first, firstRoot, secondRoot);
    const double secondBand = planeBand(second, secondRoot, firstRoot);

    // Second's body-space normals to first's: cof(R1)^-1 cof(R2), then normalised.
    double toFirst[3][3];
    first.normalMapFrom(second, toFirst);

    for (std::uint32_t j = 0; j < std::uint32_t(st->triangleCount) && !overflow_; ++j) {
        const TriangleSummary& sj = st->triangleSummaries[j];
        if (sj.irregular) continue;  // never skipped, so never needs listing
        if (offsetFrom(sj, firstInSecond) > secondBand) continue;
        double q[3];
        for (int r = 0; r < 3; ++r)
            q[r] = toFirst[r][0] * sj.normal.x + toFirst[r][1] * sj.normal.y + toFirst[r][2] * sj.normal.z;
        const double length = norm(q);
        if (!(length > 0 && length < INF)) {
            overflow_ = true;
            break;
        }
        for (double& c : q) c /= length;
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
                if (gap > reach(a.slab, b.slab, a.leastAltitude, b.leastAltitude, rw, length, sinAngle)) return;
            }
            if (fc.pairs.size() + 2 > fc.pairs.capacity()) {
                overflow_ = true;
                return;
            }
            fc.pairs.push_back(i);
            fc.pairs.push_back(j);
            fc.listed[i / 64] |= std::uint64_t(1) << (i % 64);
            sc.listed[j / 64] |= std::uint64_t(1) << (j % 64);
        });
    }
}

double NearParallelPairs::leastAngle(const WorldBounds& a, const WorldBounds& b) const
{
    const double angle = angle_ - a.normalError - b.normalError - 1e-6;
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
    if (overflow_) return true;
    const MeshWorldCache& fc = first_->cache();
    // Most nodes hold no listed triangle at all.
    if (!anySet(fc.listed, firstStart, firstCount) || !anySet(second_->cache().listed, secondStart, secondCount))
        return false;
    for (std::size_t k = 0; k < fc.pairs.size(); k += 2)
        if (fc.pairs[k] - firstStart < firstCount && fc.pairs[k + 1] - secondStart < secondCount) return true;
    return false;
}

bool sphereMissesBox(const WorldBounds& sphere, const OrientedBox& box)
{
    const double c[3] = {box.centre.x, box.centre.y, box.centre.z};
    const double d[3] = {sphere.centre[0] - c[0], sphere.centre[1] - c[1], sphere.centre[2] - c[2]};
    for (int i = 0; i < 3; ++i) {
        const Vector3& a = box.axes[i];
        const double axisLength = norm(a);
        const double h = box.halfExtents[i];
        // Rounding of the clip's plane values and of the points earlier clips made.
        const double margin =
            25 * U * (axisLength * (sphere.coordinateBound + norm(c) + sphere.longestEdge) + std::fabs(h)) +
            1e-15 * axisLength * (sphere.coordinateBound + norm(c));
        const double along = double(a.x) * d[0] + double(a.y) * d[1] + double(a.z) * d[2];
        const double spread = axisLength * sphere.radius;
        // Written so that NaN anywhere keeps the node.
        if (along - spread > h + margin || -along - spread > h + margin) return true;
    }
    return false;
}

bool triangleMissesBox(const Vector3* triangle, const OrientedBox& box)
{
    const double c[3] = {box.centre.x, box.centre.y, box.centre.z};
    double coordinates2 = 0, longest2 = 0;
    for (int k = 0; k < 3; ++k) {
        const Vector3& p = triangle[k];
        const Vector3& q = triangle[(k + 1) % 3];
        const double e[3] = {double(q.x) - p.x, double(q.y) - p.y, double(q.z) - p.z};
        coordinates2 = std::max(coordinates2, double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z);
        longest2 = std::max(longest2, dot(e, e));
    }
    const double coordinates = std::sqrt(coordinates2), longest = std::sqrt(longest2);
    for (int i = 0; i < 3; ++i) {
        const Vector3& a = box.axes[i];
        const double axisLength = norm(a);
        const double h = box.halfExtents[i];
        const double margin = 25 * U * (axisLength * (coordinates + norm(c) + longest) + std::fabs(h)) +
                              1e-15 * axisLength * (coordinates + norm(c));
        // Every vertex beyond the same face; a NaN vertex is beyond none.
        bool beyondMax = true, beyondMin = true;
        for (int k = 0; k < 3; ++k) {
            const double along = double(a.x) * (double(triangle[k].x) - c[0]) +
                                 double(a.y) * (double(triangle[k].y) - c[1]) +
                                 double(a.z) * (double(triangle[k].z) - c[2]);
            beyondMax = beyondMax && along > h + margin;
            beyondMin = beyondMin && -along > h + margin;
        }
        if (beyondMax || beyondMin) return true;
    }
    return false;
}

}  // namespace rigidbody
}  // namespace physics
