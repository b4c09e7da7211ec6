#include "sim/water/MeshRayLattice.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "sim/maths/Ray.h"
#include "sim/water/RayTests.h"

namespace physics {
namespace water {

// Why a triangle may be left out for a ray, and why a hit may skip the node box
// tests, although every test made here rounds to float. eps = 2^-24.
//
// Candidates. Seen along the direction d, the exact line o + t d meets the plane
// of the triangle (c0, c1, c2) at barycentric coordinates (b1, b2), and these are
// also the coordinates of the line's trace on the world (X, Z) plane of the ray
// origins within the traces V0, V1, V2 of the three corners: projecting along d
// is affine. The triangle test computes u and v from rounded edges, cross
// products, dot products and 1 / determinant. Let e1, e2 be the exact edges, n_i
// = |d_j| |e2_k| + |d_k| |e2_j| (over the cyclic i, j, k) bound |d x e2| and R_i
// bound |o_i - c0_i|. Counting every rounding, the test's determinant is within
// 6.04 eps sum |e1_i| n_i of the exact one, D, and the numerators of u and v are
// within 6.04 eps sum R_i n_i and 6.04 eps sum |d_i| (R_j |e1_k| + R_k |e1_j|) of
// theirs. With rho the first bound over |D| (at most 1/4, else the triangle is
// listed for every ray) and du, dv the others over |D|, a hit (0 <= u, v and
// u + v <= 1) needs b1 >= -du, b2 >= -dv and b1 + b2 <= 1 + du + dv + 1.01 rho +
// 2.2 eps. Each such point lies within e = 2 du + 2 dv + 1.01 rho + 2.2 eps, in
// barycentric coordinates, of the triangle, so its trace lies within e (|V1 - V0|
// + |V2 - V0|) of the traces' bounding rectangle on each axis. The rounded origin
// is within eps |o_i| of the exact image of its world point, which moves its
// trace a little more, and the traces themselves carry double roundings: the
// pads. Rays outside the widened rectangle cannot hit the triangle. The code
// rounds the factor 6.04 up to 6.5.
//
// Node boxes. The walk tests a triangle only when the ray passes the box test of
// its leaf and of every ancestor. A node's box holds its children's boxes. When
// the hit point P (within eps (|t| + |P_i|) of the exact point o + t d) lies
// inside the leaf's box by a margin M on every axis, the exact ray crosses the
// leaf box, and so every ancestor box, along a chord on which each slab leaves a
// slack of M / |d_i| in t; the box test's slab parameters are off by at most
// 2.01 eps (2 S / |d_i| + |t|), and a near-parallel axis (|d_i| < 1e-6) compares
// the origin, within 1e-6 |t| of the point. M = 2e-6 |t| + 32 eps (|t| + S), S
// bounding every coordinate involved, covers all of these, so the box tests
// pass. Hits nearer a face than M are checked with the box tests themselves.

namespace {

constexpr double eps = 1.0 / 16777216.0;  // 2^-24, the unit roundoff of float
// Beyond these the lattice is left to the tree walk.
constexpr std::size_t maxRays = std::size_t(1) << 22;
constexpr std::size_t maxEntries = std::size_t(1) << 26;

Vector3 vertex(const float* vertices, std::uint16_t index)
{
    const float* v = vertices + 3 * std::size_t(index);
    return Vector3{v[0], v[1], v[2]};
}

bool isFinite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool allFinite(const std::vector<float>& v)
{
    for (float c : v)
        if (!std::isfinite(c)) return false;
    return true;
}


// Floor and ceiling of values known to lie well within the range of int.
std::int32_t floorOf(double v)
{
    const std::int32_t i = std::int32_t(v);
    return i - (double(i) > v ? 1 : 0);
}
std::int32_t ceilOf(double v) { return -floorOf(-v); }

}  // namespace

bool MeshRayLattice::Axis::set(const std::vector<float>& c)
{
    values = c.data();
    count = std::int32_t(c.size());
    start = c.front();
    const double spacing = count > 1 ? (double(c.back()) - start) / (count - 1) : 1.0;
    if (!(spacing > 0.0)) return false;
    perSpacing = 1.0 / spacing;
    slack = 0.0;
    for (std::int32_t i = 0; i < count; ++i)
        slack = std::max(slack, std::fabs((double(c[std::size_t(i)]) - start) * perSpacing - i));
    slack += 1e-9;  // the roundings of these products and of place()
    return slack < 0.25;
}

inline void MeshRayLattice::Axis::range(double lo, double hi, std::int32_t& first, std::int32_t& last) const
{
    // Bounds that are not numbers (from a mesh that is not) open the range.
    const double top = double(count);
    lo = lo >= -1.0 ? std::min(lo, top) : -1.0;
    hi = hi <= top ? std::max(hi, -1.0) : top;
    first = std::max(ceilOf(lo), 0);
    last = std::min(floorOf(hi), count - 1);
}

// Exactly the triangle test with the origin-independent part already done.
bool MeshRayLattice::Triangle::hit(const Vector3& origin, const Vector3& direction, float& t, Vector3& point) const
{
    const Vector3 s = origin - c0;
    const float u = float(double(dotProduct(s, p)) * inv);
    if (u < 0.0f || u > 1.0f) return false;
    const Vector3 q = crossProduct(s, e1);
    const float v = float(double(dotProduct(direction, q)) * inv);
    if (v < 0.0f || v > 1.0f || double(u) + v > 1.0) return false;
    t = float(double(dotProduct(e2, q)) * inv);
    point = origin + direction * t;
    return true;
}

bool MeshRayLattice::prepare(const rigidbody::MeshTree& tree, const Matrix4& toBody, const Vector3& up, float height,
                             const std::vector<float>& xs, const std::vector<float>& zs)
{
    mColumns = xs.size();
    mRows = zs.size();
    if (mColumns == 0 || mRows == 0 || mColumns > maxRays / mRows) return false;
    if (!tree.root || !tree.vertices || tree.vertexCount < 0) return false;
    if (!allFinite(xs) || !allFinite(zs) || !isFinite(up) || !std::isfinite(height)) return false;
    if (!mColumnAxis.set(xs) || !mRowAxis.set(zs)) return false;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            if (!std::isfinite(toBody[r][c])) return false;
    mUp = up;
    mHeight = height;
    for (int a = 0; a < 3; ++a) {
        mDirection[a] = up[a];
        mUpAbs[a] = std::fabs(double(up[a]));
    }

    mOrigins.resize(mColumns * mRows);
    for (double& b : mOriginBound) b = 0.0;
    for (std::size_t row = 0; row < mRows; ++row)
        for (std::size_t column = 0; column < mColumns; ++column) {
            const Vector3 o = Matrix4::transformAffine(toBody, Vector3{xs[column], height, zs[row]});
            if (!isFinite(o)) return false;
            mOrigins[row * mColumns + column] = o;
            for (int a = 0; a < 3; ++a) mOriginBound[a] = std::max(mOriginBound[a], double(std::fabs(o[a])));
        }
    if (!projectVertices(tree, toBody, xs, zs)) return false;
    mScale = 1.0;
    for (int a = 0; a < 3; ++a)
        mScale = std::max({mScale, mOriginBound[a] + 1.0, std::fabs(double(tree.bounds.min[a])) + 1.0,
                           std::fabs(double(tree.bounds.max[a])) + 1.0});

    if (!addTriangles(tree)) return false;

    // Each triangle listed for the rays it may hit, in walk order.
    const std::size_t rays = mColumns * mRows;
    mFirstEntry.assign(rays + 1, 0);
    std::size_t entries = 0;
    for (const Span& s : mSpans) {
        entries += std::size_t(s.lastColumn - s.firstColumn + 1) * std::size_t(s.lastRow - s.firstRow + 1);
        if (entries > maxEntries) return false;
        for (std::int32_t row = s.firstRow; row <= s.lastRow; ++row)
            for (std::int32_t column = s.firstColumn; column <= s.lastColumn; ++column)
                ++mFirstEntry[index(column, row) + 1];
    }
    for (std::size_t r = 0; r < rays; ++r) mFirstEntry[r + 1] += mFirstEntry[r];
    mEntries.resize(entries);
    mFill.assign(mFirstEntry.begin(), mFirstEntry.end() - 1);
    for (std::size_t j = 0; j < mSpans.size(); ++j) {
        const Span& s = mSpans[j];
        for (std::int32_t row = s.firstRow; row <= s.lastRow; ++row)
            for (std::int32_t column = s.firstColumn; column <= s.lastColumn; ++column)
                mEntries[mFill[index(column, row)]++] = std::uint32_t(j);
    }

    mTestedFor.assign(mNodes.size(), 0);
    mPassed.assign(mNodes.size(), 0);
    mRaySerial = 0;
    return true;
}

// The world (X, Z) at which the line through each vertex along the rays meets the
// plane of the ray origins: the body-frame origin of world (X, height, Z) is
// base + X ax + Z az (the columns of toBody), so the vertex c solves
// base + X ax + Z az + t d = c.
bool MeshRayLattice::projectVertices(const rigidbody::MeshTree& tree, const Matrix4& toBody,
                                     const std::vector<float>& xs, const std::vector<float>& zs)
{
    double ax[3], az[3], d[3], base[3];
    for (int a = 0; a < 3; ++a) {
        ax[a] = toBody[a][0];
        az[a] = toBody[a][2];
        d[a] = mUp[a];
        base[a] = double(toBody[a][1]) * mHeight + toBody[a][3];
    }
    const double azd[3] = {az[1] * d[2] - az[2] * d[1], az[2] * d[0] - az[0] * d[2], az[0] * d[1] - az[1] * d[0]};
    const double dax[3] = {d[1] * ax[2] - d[2] * ax[1], d[2] * ax[0] - d[0] * ax[2], d[0] * ax[1] - d[1] * ax[0]};
    const double det = ax[0] * azd[0] + ax[1] * azd[1] + ax[2] * azd[2];
    auto norm = [](const double* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); };
    // A transform that flattens the lattice, or rays along it, leaves no trace to bin.
    if (!(std::fabs(det) >= 1e-3 * norm(ax) * norm(az) * norm(d))) return false;
    double rx[3], rz[3];
    for (int a = 0; a < 3; ++a) {
        rx[a] = azd[a] / det;
        rz[a] = dax[a] / det;
    }

    // Only the vertices the triangles reach: the count may promise more than the array holds.
    const std::size_t n = std::size_t(tree.reachedVertexCount);
    mProjected.resize(2 * n);
    double vertexBound[3] = {0.0, 0.0, 0.0}, traceBound = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const float* v = tree.vertices + 3 * i;
        const double c[3] = {v[0] - base[0], v[1] - base[1], v[2] - base[2]};
        const double X = c[0] * rx[0] + c[1] * rx[1] + c[2] * rx[2];
        const double Z = c[0] * rz[0] + c[1] * rz[1] + c[2] * rz[2];
        if (!std::isfinite(X) || !std::isfinite(Z)) return false;
        mProjected[2 * i] = mColumnAxis.place(X);
        mProjected[2 * i + 1] = mRowAxis.place(Z);
        for (int a = 0; a < 3; ++a) vertexBound[a] = std::max(vertexBound[a], std::fabs(double(v[a])));
        traceBound = std::max({traceBound, std::fabs(X), std::fabs(Z)});
    }
    for (int a = 0; a < 3; ++a) mReach[a] = mOriginBound[a] + vertexBound[a];
    const double reach = std::max({mReach[0], mReach[1], mReach[2]});

    // How far a rounded origin's trace may lie from its world point: each origin
    // component is within eps of itself (and the double sum's own error) of the
    // exact image. Then the double roundings of the traces themselves.
    double rowSum[3];
    for (int a = 0; a < 3; ++a) {
        rowSum[a] = std::fabs(double(toBody[a][0])) + std::fabs(double(toBody[a][1])) +
                       std::fabs(double(toBody[a][2])) + std::fabs(double(toBody[a][3]));
    }
    const double world =
        std::max({1.0, std::fabs(double(mHeight)), std::fabs(double(xs.front())), std::fabs(double(xs.back())),
                  std::fabs(double(zs.front())), std::fabs(double(zs.back()))});
    mPadX = 1e-7 * (1.0 + traceBound);
    mPadZ = mPadX;
    for (int a = 0; a < 3; ++a) {
        const double originError = 1.01 * eps * mOriginBound[a] + 1e-14 * rowSum[a] * world;
        mPadX += std::fabs(rx[a]) * originError + 1e-12 * std::fabs(rx[a]) * (reach + std::fabs(base[a]));
        mPadZ += std::fabs(rz[a]) * originError + 1e-12 * std::fabs(rz[a]) * (reach + std::fabs(base[a]));
    }
    // In index units, with the spacing's own unevenness.
    mPadX = mPadX * mColumnAxis.perSpacing + mColumnAxis.slack;
    mPadZ = mPadZ * mRowAxis.perSpacing + mRowAxis.slack;
    return std::isfinite(mPadX) && std::isfinite(mPadZ);
}

// The nodes depth first, left before right, and the triangles of the leaves in
// the order the walk meets them.
bool MeshRayLattice::addTriangles(const rigidbody::MeshTree& tree)
{
    const std::uint32_t vertexCount = std::uint32_t(tree.reachedVertexCount);
    mNodes.clear();
    mCorners.resize(tree.root->triangleCount);
    std::size_t count = 0;
    mStack.clear();
    mStack.push_back({tree.root, -1});
    while (!mStack.empty()) {
        const Pending next = mStack.back();
        mStack.pop_back();
        const rigidbody::MeshTreeNode* node = next.node;
        const std::int32_t id = std::int32_t(mNodes.size());
        mNodes.push_back(Node{&node->bounds, next.parent});
        if (node->left) {
            if (node->right) mStack.push_back({node->right, id});
            mStack.push_back({node->left, id});
            continue;
        }
        // The leaves hold the root's triangles between them, each once.
        if (node->triangleCount > mCorners.size() - count) return false;
        for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
            const std::uint16_t* corners = node->triangles + 3 * std::size_t(i);
            if (corners[0] >= vertexCount || corners[1] >= vertexCount || corners[2] >= vertexCount) return false;
            mCorners[count++] = Corners{corners, id};
        }
    }

    // The rays each triangle may hit first, then the test's own part for the
    // triangles some ray may hit.
    mTriangles.resize(count);
    mSpans.resize(count);
    std::size_t kept = 0;
    for (std::size_t j = 0; j < count; ++j) {
        const Span span = candidateRays(tree.vertices, mCorners[j].corners);
        if (span.empty()) continue;
        mCorners[kept] = mCorners[j];
        mSpans[kept] = span;
        ++kept;
    }
    std::size_t hittable = 0;
    for (std::size_t j = 0; j < kept; ++j) {
        const std::uint16_t* corners = mCorners[j].corners;
        const Vector3 c0 = vertex(tree.vertices, corners[0]);
        const Vector3 c1 = vertex(tree.vertices, corners[1]);
        const Vector3 c2 = vertex(tree.vertices, corners[2]);
        Triangle& t = mTriangles[hittable];
        t.c0 = c0;
        t.e1 = c1 - c0;
        t.e2 = c2 - c0;
        t.p = crossProduct(mUp, t.e2);
        const float det = dotProduct(t.e1, t.p);
        if (-1e-6 < det && det < 1e-6) continue;  // parallel to every ray of the lattice
        t.inv = float(1.0 / det);
        t.leaf = mCorners[j].leaf;
        mSpans[hittable] = mSpans[j];
        ++hittable;
    }
    mTriangles.resize(hittable);
    mSpans.resize(hittable);
    return true;
}

// From the corners in double: the edges exactly, the determinant within 1e-15 of
// the bound below on its size (the roundings of this evaluation).
MeshRayLattice::Span MeshRayLattice::candidateRays(const float* vertices, const std::uint16_t* corners) const
{
    const float* a = vertices + 3 * std::size_t(corners[0]);
    const float* b = vertices + 3 * std::size_t(corners[1]);
    const float* c = vertices + 3 * std::size_t(corners[2]);
    const double e1[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
    const double e2[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
    const double m1[3] = {std::fabs(e1[0]), std::fabs(e1[1]), std::fabs(e1[2])};
    const double m2[3] = {std::fabs(e2[0]), std::fabs(e2[1]), std::fabs(e2[2])};
    const double* d = mDirection;
    const double* ad = mUpAbs;
    const double* r = mReach;
    // Bounds on |d x e2| per component, and the determinant e1 . (d x e2).
    const double n[3] = {ad[1] * m2[2] + ad[2] * m2[1], ad[2] * m2[0] + ad[0] * m2[2], ad[0] * m2[1] + ad[1] * m2[0]};
    const double det = e1[0] * (d[1] * e2[2] - d[2] * e2[1]) + e1[1] * (d[2] * e2[0] - d[0] * e2[2]) +
                       e1[2] * (d[0] * e2[1] - d[1] * e2[0]);
    const double scale = m1[0] * n[0] + m1[1] * n[1] + m1[2] * n[2];
    const double error = 6.5 * eps * scale;          // of the test's determinant
    const double least = std::fabs(det) - 1e-15 * scale;  // of the exact determinant
    if (!(least > 0.0 && least >= 4.0 * error))
        return Span{0, std::int32_t(mColumns) - 1, 0, std::int32_t(mRows) - 1};
    const double perLeast = 1.0 / least;
    const double du = 6.5 * eps * (r[0] * n[0] + r[1] * n[1] + r[2] * n[2]) * perLeast;
    const double dv = 6.5 * eps *
                      (ad[0] * (r[1] * m1[2] + r[2] * m1[1]) + ad[1] * (r[2] * m1[0] + r[0] * m1[2]) +
                       ad[2] * (r[0] * m1[1] + r[1] * m1[0])) *
                      perLeast;
    const double e = 2.0 * du + 2.0 * dv + 1.01 * error * perLeast + 2.2 * eps;

    const double* v0 = &mProjected[2 * std::size_t(corners[0])];
    const double* v1 = &mProjected[2 * std::size_t(corners[1])];
    const double* v2 = &mProjected[2 * std::size_t(corners[2])];
    const double widenX = e * (std::fabs(v1[0] - v0[0]) + std::fabs(v2[0] - v0[0])) + mPadX;
    const double widenZ = e * (std::fabs(v1[1] - v0[1]) + std::fabs(v2[1] - v0[1])) + mPadZ;
    Span s;
    mColumnAxis.range(std::min({v0[0], v1[0], v2[0]}) - widenX, std::max({v0[0], v1[0], v2[0]}) + widenX,
                      s.firstColumn, s.lastColumn);
    mRowAxis.range(std::min({v0[1], v1[1], v2[1]}) - widenZ, std::max({v0[1], v1[1], v2[1]}) + widenZ, s.firstRow,
                   s.lastRow);
    return s;
}

unsigned MeshRayLattice::cast(int column, int row, Vector3* hits, unsigned maximum)
{
    if (++mRaySerial == 0) {  // the serial wrapped: forget every earlier ray
        std::fill(mTestedFor.begin(), mTestedFor.end(), 0u);
        mRaySerial = 1;
    }
    const std::size_t r = index(column, row);
    const Vector3& o = mOrigins[r];
    unsigned count = 0;
    for (std::uint32_t e = mFirstEntry[r]; e < mFirstEntry[r + 1] && count < maximum; ++e) {
        const Triangle& tri = mTriangles[mEntries[e]];
        float t;
        Vector3 point;
        if (!tri.hit(o, mUp, t, point)) continue;
        if (t < 0.0f) continue;  // behind the origin
        if (!leafReached(tri.leaf, o, point, t)) continue;
        hits[count++] = point;
    }
    return count;
}

bool MeshRayLattice::leafReached(std::int32_t leaf, const Vector3& origin, const Vector3& point, float t)
{
    const double margin = 2e-6 * std::fabs(double(t)) + 32.0 * eps * (std::fabs(double(t)) + mScale);
    const BoundingBox& b = *mNodes[std::size_t(leaf)].bounds;
    bool inside = true;
    for (int a = 0; a < 3; ++a)
        inside = inside && double(point[a]) >= double(b.min[a]) + margin &&
                 double(point[a]) <= double(b.max[a]) - margin;
    if (inside) return true;

    const Ray ray{origin, mUp};
    for (std::int32_t n = leaf; n >= 0; n = mNodes[std::size_t(n)].parent) {
        if (mTestedFor[std::size_t(n)] != mRaySerial) {
            unsigned count = 0;
            Vector3 points[2];
            mTestedFor[std::size_t(n)] = mRaySerial;
            mPassed[std::size_t(n)] = rayBox(*mNodes[std::size_t(n)].bounds, ray, count, points) ? 1 : 0;
        }
        if (!mPassed[std::size_t(n)]) return false;
    }
    return true;
}

}  // namespace water
}  // namespace physics
