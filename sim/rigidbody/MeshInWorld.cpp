#include "sim/rigidbody/MeshInWorld.h"

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
// The plane-value snap of intersectTriangles (1e-6), with its comparison's rounding.
constexpr double SNAP = 1.0001e-6;

// Singular values of a matrix (its rows) from its Gram matrix by Gershgorin's
// discs: the largest squared at most the greatest absolute row sum, the least
// squared at least the least diagonal less the rest of its row.
void singularBounds(const DoubleVector3 m[3], double& largest, double& least2)
{
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
}

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
      facetWalk(triangles.size(), 0)
{
}

bool MeshWorldCache::fits(const MeshTree& other) const
{
    return tree == &other && vertices.size() == std::size_t(other.reachedVertexCount) &&
           nodes.size() == other.nodeSummaries.size() && triangles.size() == other.triangleSummaries.size();
}

MeshInWorld::MeshInWorld(const MeshTree& tree, MeshWorldCache& cache, const Matrix3& rotation, const Vector3& position,
                         RigidBody* body)
    : mTree(&tree), mCache(&cache), mBody(body)
{
    // The walks' own transform: the bounds below are of the floats they see.
    mTransform = meshTransform(rotation, position);

    // A new walk: entries of earlier walks are stale, unless they were computed
    // from the same floats. On wrap-around all are cleared.
    const bool sameTransform =
        mCache->transformKnown && std::memcmp(&mCache->transform, &mTransform, sizeof mTransform) == 0;
    if (!sameTransform && ++mCache->walk == 0) {
        for (auto* stamps : {&mCache->vertexWalk, &mCache->nodeWalk, &mCache->triangleWalk, &mCache->farTriangleWalk,
                             &mCache->facetWalk})
            std::fill(stamps->begin(), stamps->end(), 0);
        mCache->walk = 1;
    }
    mCache->transform = mTransform;
    mCache->transformKnown = true;

    bool finite = true;
    double frobenius2 = 0;
    for (int i = 0; i < 3; ++i) {
        mTranslation[i] = mTransform.m[i][3];
        finite = finite && std::isfinite(mTranslation[i]);
        for (int j = 0; j < 3; ++j) {
            mRotation[i][j] = mTransform.m[i][j];
            finite = finite && std::isfinite(mRotation[i][j]);
            frobenius2 += mRotation[i][j] * mRotation[i][j];
        }
    }
    mFrobenius = std::sqrt(frobenius2);
    singularBounds(mRotation, mStretch, mLeastStretch2);

    // The cofactor matrix carries a triangle's normal: (R a) x (R b) = cof(R) (a x b).
    const DoubleVector3* r = mRotation;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            mCofactor[i][j] = r[i1][j1] * r[i2][j2] - r[i1][j2] * r[i2][j1];
        }
    const double det = dot(r[0], mCofactor[0]);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            mCofactorInverse[i][j] = r[j][i] / det;  // R^T / det(R)
            mInverse[i][j] = mCofactor[j][i] / det;  // cof(R)^T / det(R)
        }
    double cMax, cMin2;
    singularBounds(mCofactor, cMax, cMin2);
    mBounded = finite && mLeastStretch2 > 0 && cMin2 > 0 && std::isfinite(det);
    // The angle between images of x and y: |Cx x Cy| = |cof(C) (x x y)| <= cMax^2
    // sin(angle), |Cx| |Cy| >= cMin^2. The same numbers bound the inverse.
    mWidening = mBounded ? cMax * cMax / cMin2 : INF;
    // Cones wider than a right angle in world space are no use; they stay below it
    // for half angles up to 1 when cos(1) cMin^2 > sin(1) (cMax^2 - cMin^2) / 2.
    mCones = mBounded && 0.5403 * cMin2 > 0.8415 * (cMax * cMax - cMin2) / 2;
}

Vector3 MeshInWorld::vertex(std::uint16_t index) const
{
    if (mCache->vertexWalk[index] != mCache->walk) {
        const float* v = mTree->vertices + 3 * std::size_t(index);
        mCache->vertices[index] = Matrix4::transformAffine(mTransform, Vector3{v[0], v[1], v[2]});
        mCache->vertexWalk[index] = mCache->walk;
    }
    return mCache->vertices[index];
}

void MeshInWorld::triangle(std::uint32_t t, Vector3 out[3]) const
{
    const std::uint16_t* tri = mTree->triangles + 3 * std::size_t(t);
    for (int k = 0; k < 3; ++k) out[k] = vertex(tri[k]);
}

DoubleVector3 MeshInWorld::normalToWorld(const Vector3& body) const
{
    const DoubleVector3 b = toDouble(body);
    const DoubleVector3 out{dot(mCofactor[0], b), dot(mCofactor[1], b), dot(mCofactor[2], b)};
    return out / norm(out);
}

void MeshInWorld::normalMapFrom(const MeshInWorld& other, DoubleVector3 out[3]) const
{
    const DoubleVector3* c = other.mCofactor;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out[i][j] = dot(mCofactorInverse[i], DoubleVector3{c[0][j], c[1][j], c[2][j]});
}

DoubleVector3 MeshInWorld::pointToBody(const DoubleVector3& world) const
{
    const DoubleVector3 d = world - mTranslation;
    return DoubleVector3{dot(mInverse[0], d), dot(mInverse[1], d), dot(mInverse[2], d)};
}

const WorldTriangle& MeshInWorld::worldTriangle(std::uint32_t t) const
{
    if (mCache->triangleWalk[t] == mCache->walk) return mCache->triangles[t];
    WorldTriangle& w = mCache->triangles[t];
    triangle(t, w.p);
    WorldBounds& b = w.bounds;
    const Vector3 n = crossProduct(Vector3(w.p[1] - w.p[0]), Vector3(w.p[2] - w.p[0]));
    const double normalLength = norm(toDouble(n)) * (1 - 1e-12);
    double radius2 = 0, coordinates2 = 0, longest2 = 0;
    b.centre = (toDouble(w.p[0]) + toDouble(w.p[1]) + toDouble(w.p[2])) / 3;
    for (int k = 0; k < 3; ++k) {
        const DoubleVector3 p = toDouble(w.p[k]);
        const DoubleVector3 edge = toDouble(w.p[(k + 1) % 3]) - p;
        const DoubleVector3 fromCentre = p - b.centre;
        radius2 = std::max(radius2, dot(fromCentre, fromCentre));
        coordinates2 = std::max(coordinates2, dot(p, p));
        longest2 = std::max(longest2, dot(edge, edge));
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
    b.axis = toDouble(n) / normalLength;
    b.coneCos = 1;
    b.coneSin = 1e-12;
    // The centroid of vertices that lie within 2 u L of their plane.
    b.planeSpread = 3 * U * b.longestEdge + 1e-15 * coordinates;
    // NaN fails every comparison, so it never counts as regular.
    b.regular = !mTree->triangleSummaries[t].irregular && normalLength > 0 && normalLength < INF && b.radius < INF &&
                b.coordinateBound < INF && b.longestEdge > 0;
    mCache->triangleWalk[t] = mCache->walk;
    return w;
}

MeshInWorld::GroupInWorld MeshInWorld::groupInWorld(const Sphere& sphere, float longestEdge, float doubleArea,
                                                    float altitude) const
{
    GroupInWorld g;
    const DoubleVector3 c = toDouble(sphere.centre);
    const double r = sphere.radius;
    g.centre = DoubleVector3{dot(mRotation[0], c) + mTranslation.x, dot(mRotation[1], c) + mTranslation.y,
                             dot(mRotation[2], c) + mTranslation.z};
    g.centreNorm = norm(g.centre);
    // Terms of the double sums of transformAffine, for their own (tiny) rounding.
    g.terms = mFrobenius * (norm(c) + r) + norm(mTranslation);
    // A computed vertex lies within vertexError of its exact image R v + t.
    g.vertexError = 1.0001 * U * (g.centreNorm + mStretch * r) + 1e-15 * g.terms;
    g.radius = (mStretch * r + g.vertexError + 1e-15 * g.terms) * (1 + 1e-12);
    g.longestEdge = (mStretch * double(longestEdge) + 2 * g.vertexError) * (1 + 4 * U);

    // |n1| of a computed triangle: at least the exact world triangle's doubled
    // area (>= sMin^2 times its body-space one), less the rounding of the edges and
    // of the cross product.
    const double L = g.longestEdge;
    const double normalError = L * (8.1 * g.vertexError + 5.1 * U * L);
    g.leastNormal = mLeastStretch2 * double(doubleArea) - normalError;
    g.slab = SNAP / g.leastNormal;
    g.normalError = 1.6 * normalError / g.leastNormal + 3 * U;
    g.leastAltitude = std::max(0.0, mLeastStretch2 / mStretch * double(altitude) - 4.1 * g.vertexError);
    return g;
}

const WorldBounds& MeshInWorld::nodeBounds(const MeshTreeNode* node) const
{
    WorldBounds& b = mCache->nodes[node->index];
    if (mCache->nodeWalk[node->index] == mCache->walk) {
        // Computed by this walk or, with the same transform, by one before it:
        // the box's mesh is this one now.
        if (b.mesh) b.mesh = this;
        return b;
    }
    const NodeSummary& s = mTree->nodeSummaries[node->index];

    const GroupInWorld g = groupInWorld(s.sphere, s.maxEdge, s.minDoubleArea, s.minAltitude);
    b.centre = g.centre;
    b.radius = g.radius;
    b.coordinateBound = g.centreNorm + b.radius;
    b.longestEdge = g.longestEdge;
    b.slab = g.slab;
    b.normalError = g.normalError;
    b.leastAltitude = g.leastAltitude;

    // The cone carried into world space by the cofactor matrix, widened by it and
    // by the computed normals' error.
    b.axis = normalToWorld(s.coneAxis);
    const double bodyAngle = s.coneAngle;
    if (mCones && bodyAngle <= 1.0) {
        const double widened = std::min(1.0, mWidening * std::sin(bodyAngle));
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
    b.planeSpread = (mStretch * double(s.planeSpread) + b.normalError * b.radius + g.vertexError) * (1 + 1e-12);

    b.regular = s.irregularCount == 0 && mBounded && g.leastNormal > 0 && b.normalError < 0.1 &&
                b.coordinateBound < INF && b.slab < INF;
    b.mesh = mBounded ? this : nullptr;
    b.box = s.box;
    b.vertexError = g.vertexError + 1e-15 * g.terms;
    mCache->nodeWalk[node->index] = mCache->walk;
    return b;
}

const FarTriangle& MeshInWorld::farTriangle(std::uint32_t t) const
{
    FarTriangle& f = mCache->farTriangles[t];
    if (mCache->farTriangleWalk[t] == mCache->walk) return f;
    const TriangleSummary& s = mTree->triangleSummaries[t];
    const GroupInWorld g = groupInWorld(s.sphere, s.longestEdge, s.doubleArea, s.altitude);
    f.centre = g.centre;
    f.radius = g.radius;
    f.normal = normalToWorld(s.normal);
    f.slab = g.slab;
    f.normalError = g.normalError;
    f.leastAltitude = g.leastAltitude;
    f.regular = !s.irregular && mBounded && g.leastNormal > 0 && f.normalError < 0.1 && g.centreNorm < INF;
    mCache->farTriangleWalk[t] = mCache->walk;
    return f;
}

const Facet& MeshInWorld::facet(std::uint32_t t) const
{
    Facet& f = mCache->facets[t];
    if (mCache->facetWalk[t] == mCache->walk) return f;
    triangle(t, f.p);
    f.plane = trianglePlane(f.p[0], f.p[1], f.p[2]);
    mCache->facetWalk[t] = mCache->walk;
    return f;
}

}  // namespace rigidbody
}  // namespace physics
