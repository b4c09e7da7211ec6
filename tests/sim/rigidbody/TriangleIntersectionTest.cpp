#include "sim/rigidbody/TriangleIntersection.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

using physics::Vector3;
using physics::rigidbody::intersectTriangles;

namespace {

using Triangle = std::array<Vector3, 3>;

// Independent reference geometry in double precision.
struct D3 {
    double x, y, z;
};
D3 d3(const Vector3& v) { return D3{v.x, v.y, v.z}; }
D3 operator-(const D3& a, const D3& b) { return D3{a.x - b.x, a.y - b.y, a.z - b.z}; }
D3 operator+(const D3& a, const D3& b) { return D3{a.x + b.x, a.y + b.y, a.z + b.z}; }
D3 operator*(const D3& a, double s) { return D3{a.x * s, a.y * s, a.z * s}; }
double dot(const D3& a, const D3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3 cross(const D3& a, const D3& b) { return D3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(const D3& a) { return std::sqrt(dot(a, a)); }

// Distance from p to the triangle, by projecting onto its plane and its edges.
double distanceToTriangle(const D3& p, const Triangle& t)
{
    const D3 a = d3(t[0]), b = d3(t[1]), c = d3(t[2]);
    const D3 n = cross(b - a, c - a);
    const double nn = dot(n, n);
    const D3 q = p - n * (dot(p - a, n) / nn);
    const bool inside = dot(cross(b - a, q - a), n) >= 0 && dot(cross(c - b, q - b), n) >= 0 &&
                        dot(cross(a - c, q - c), n) >= 0;
    if (inside) return std::fabs(dot(p - a, n)) / std::sqrt(nn);
    auto segment = [&](const D3& s, const D3& e) {
        const D3 d = e - s;
        double u = dot(p - s, d) / dot(d, d);
        u = u < 0 ? 0 : (u > 1 ? 1 : u);
        return length(p - (s + d * u));
    };
    return std::min({segment(a, b), segment(b, c), segment(c, a)});
}

// Crossing points of the edges of one triangle with the other, or nothing when
// some edge comes too close to a boundary for a clear verdict.
struct Crossings {
    bool clear = true;
    std::vector<D3> points;
};

void edgesAgainst(const Triangle& edges, const Triangle& face, Crossings& out)
{
    const D3 a = d3(face[0]), b = d3(face[1]), c = d3(face[2]);
    D3 n = cross(b - a, c - a);
    n = n * (1.0 / length(n));
    for (int i = 0; i < 3; ++i) {
        const D3 s = d3(edges[i]), e = d3(edges[(i + 1) % 3]);
        const double ds = dot(s - a, n), de = dot(e - a, n);
        if (std::fabs(ds) < 1e-3 || std::fabs(de) < 1e-3) out.clear = false;
        if ((ds > 0) == (de > 0)) continue;
        const D3 x = s + (e - s) * (ds / (ds - de));
        // Signed distances of x to the three edge lines, inside the face's plane.
        const double w0 = dot(cross(b - a, x - a), n) / length(b - a);
        const double w1 = dot(cross(c - b, x - b), n) / length(c - b);
        const double w2 = dot(cross(a - c, x - c), n) / length(a - c);
        if (std::fabs(w0) < 1e-4 || std::fabs(w1) < 1e-4 || std::fabs(w2) < 1e-4) out.clear = false;
        if (w0 > 0 && w1 > 0 && w2 > 0) out.points.push_back(x);
    }
}

Triangle randomTriangle(std::mt19937& rng, float spread)
{
    std::uniform_real_distribution<float> coord(-spread, spread);
    Triangle t;
    for (Vector3& v : t) v = Vector3{coord(rng), coord(rng), coord(rng)};
    return t;
}

bool wellShaped(const Triangle& t)
{
    const D3 a = d3(t[0]), b = d3(t[1]), c = d3(t[2]);
    const double area2 = length(cross(b - a, c - a));
    const double longest = std::max({length(b - a), length(c - b), length(a - c)});
    // Large enough that plane values of clearly separated vertices pass the epsilon.
    return longest > 0.3 && area2 > 0.05 * longest * longest;
}

TEST(IntersectTriangles, AgreesWithEdgeCrossingsOnRandomPairs)
{
    std::mt19937 rng(20240611);
    int hits = 0, misses = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const Triangle v = randomTriangle(rng, 1.0f), u = randomTriangle(rng, 1.0f);
        if (!wellShaped(v) || !wellShaped(u)) continue;
        Crossings crossings;
        edgesAgainst(v, u, crossings);
        edgesAgainst(u, v, crossings);
        if (!crossings.clear) continue;

        int coplanar = -1;
        const Vector3 unset{1e30f, 1e30f, 1e30f};
        Vector3 x1 = unset, x2 = unset;
        const int result = intersectTriangles(v[0], v[1], v[2], u[0], u[1], u[2], coplanar, x1, x2);
        ASSERT_NE(coplanar, 1) << trial;  // left unset by an early rejection
        const bool expected = !crossings.points.empty();
        ASSERT_EQ(result == 1, expected) << trial;
        if (!expected) {
            ++misses;
            continue;
        }
        ++hits;
        // Generic crossings: exactly two edge points, and they are the segment's ends.
        ASSERT_EQ(crossings.points.size(), 2u) << trial;
        const D3 e1 = d3(x1), e2 = d3(x2);
        const D3 &p = crossings.points[0], &q = crossings.points[1];
        const double direct = length(e1 - p) + length(e2 - q), swapped = length(e1 - q) + length(e2 - p);
        EXPECT_LT(std::min(direct, swapped), 1e-4) << trial;
        const D3 mid = (e1 + e2) * 0.5;
        EXPECT_LT(distanceToTriangle(mid, v), 1e-4) << trial;
        EXPECT_LT(distanceToTriangle(mid, u), 1e-4) << trial;
    }
    // The sample holds plenty of both outcomes.
    EXPECT_GT(hits, 1000);
    EXPECT_GT(misses, 1000);
}

// 2-D reference for triangles in one coordinate plane.
double orient(const D3& a, const D3& b, const D3& c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); }

struct Overlap2 {
    bool clear = true;
    bool overlap = false;
};

Overlap2 overlap2(const std::array<D3, 3>& v, const std::array<D3, 3>& u)
{
    Overlap2 r;
    auto check = [&](double o) {
        if (std::fabs(o) < 1e-4) r.clear = false;
        return o;
    };
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const D3 &a = v[i], &b = v[(i + 1) % 3], &c = u[j], &d = u[(j + 1) % 3];
            const double o1 = check(orient(a, b, c)), o2 = check(orient(a, b, d));
            const double o3 = check(orient(c, d, a)), o4 = check(orient(c, d, b));
            if ((o1 > 0) != (o2 > 0) && (o3 > 0) != (o4 > 0)) r.overlap = true;
        }
    auto inside = [&](const D3& p, const std::array<D3, 3>& t) {
        const double s0 = check(orient(t[0], t[1], p)), s1 = check(orient(t[1], t[2], p));
        const double s2 = check(orient(t[2], t[0], p));
        return (s0 > 0 && s1 > 0 && s2 > 0) || (s0 < 0 && s1 < 0 && s2 < 0);
    };
    for (int i = 0; i < 3; ++i)
        if (inside(v[i], u) || inside(u[i], v)) r.overlap = true;
    return r;
}

TEST(IntersectTriangles, AgreesWithA2DOverlapTestOnRandomCoplanarPairs)
{
    std::mt19937 rng(77);
    std::uniform_real_distribution<float> coord(-1.0f, 1.0f);
    int hits = 0, misses = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const int dropped = trial % 3;  // the plane x, y or z = constant
        const float level = coord(rng) * 5.0f;
        Triangle v, u;
        std::array<D3, 3> v2, u2;
        for (int k = 0; k < 3; ++k) {
            const float a = coord(rng), b = coord(rng), c = coord(rng), d = coord(rng);
            v[k][dropped] = level;
            v[k][(dropped + 1) % 3] = a;
            v[k][(dropped + 2) % 3] = b;
            u[k][dropped] = level;
            u[k][(dropped + 1) % 3] = c;
            u[k][(dropped + 2) % 3] = d;
            v2[k] = D3{a, b, 0};
            u2[k] = D3{c, d, 0};
        }
        if (!wellShaped(v) || !wellShaped(u)) continue;
        const Overlap2 reference = overlap2(v2, u2);
        if (!reference.clear) continue;

        int coplanar = -1;
        Vector3 x1{7, 8, 9}, x2{7, 8, 9};
        const int result = intersectTriangles(v[0], v[1], v[2], u[0], u[1], u[2], coplanar, x1, x2);
        ASSERT_EQ(coplanar, 1) << trial;
        ASSERT_EQ(result == 1, reference.overlap) << trial;
        EXPECT_EQ(x1.x, 7.0f);
        EXPECT_EQ(x2.z, 9.0f);
        (result ? hits : misses)++;
    }
    EXPECT_GT(hits, 1000);
    EXPECT_GT(misses, 1000);
}

// Worked cases.

const Triangle floorV{Vector3{0, 0, 0}, Vector3{1, 0, 0}, Vector3{0, 1, 0}};  // z = 0, area 0.5, |n| = 1

int intersect(const Triangle& v, const Triangle& u, int& coplanar, Vector3& x1, Vector3& x2)
{
    return intersectTriangles(v[0], v[1], v[2], u[0], u[1], u[2], coplanar, x1, x2);
}

TEST(IntersectTriangles, PiercingTrianglesCrossAlongASegmentOnTheirEdges)
{
    // A vertical triangle through the floor along y = 0.25, x in [0.1, 0.5].
    const Triangle u{Vector3{0.1f, 0.25f, -1}, Vector3{0.5f, 0.25f, -1}, Vector3{0.3f, 0.25f, 1}};
    int coplanar = -1;
    Vector3 x1, x2;
    ASSERT_EQ(intersect(floorV, u, coplanar, x1, x2), 1);
    EXPECT_EQ(coplanar, 0);
    for (const Vector3& x : {x1, x2}) {
        EXPECT_NEAR(x.z, 0, 1e-6);
        EXPECT_NEAR(x.y, 0.25, 1e-6);
    }
    EXPECT_NEAR(std::min(x1.x, x2.x), 0.2, 1e-6);
    EXPECT_NEAR(std::max(x1.x, x2.x), 0.4, 1e-6);
}

TEST(IntersectTriangles, SeparatedPlanesDoNotIntersect)
{
    const Triangle above{Vector3{0, 0, 0.5f}, Vector3{1, 0, 1}, Vector3{0, 1, 2e-6f}};
    int coplanar = -1;
    Vector3 x1, x2;
    EXPECT_EQ(intersect(floorV, above, coplanar, x1, x2), 0);
}

TEST(IntersectTriangles, PlaneValuesBelowTheEpsilonCountAsTouching)
{
    // U stands on the floor on one vertex; the floor's plane values are distances.
    struct Case {
        float height;
        int result;
    } cases[] = {{5e-7f, 1}, {0.0f, 1}, {2e-6f, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height);
        const Triangle u{Vector3{0.2f, 0.2f, c.height}, Vector3{0.2f, 0.7f, 1}, Vector3{0.7f, 0.2f, 1}};
        int coplanar = -1;
        Vector3 x1{9, 9, 9}, x2{9, 9, 9};
        ASSERT_EQ(intersect(floorV, u, coplanar, x1, x2), c.result);
        if (c.result) {
            // The intervals touch at one end: the segment shrinks to U's lowest vertex.
            EXPECT_EQ(coplanar, 0);
            EXPECT_NEAR(x1.x, 0.2, 1e-6);
            EXPECT_NEAR(x1.y, 0.2, 1e-6);
            EXPECT_NEAR(x2.x, 0.2, 1e-6);
            EXPECT_NEAR(x2.y, 0.2, 1e-6);
        }
    }
}

TEST(IntersectTriangles, CoplanarTrianglesLeaveTheSegmentUntouched)
{
    struct Case {
        const char* name;
        Triangle u;
        int result;
    } cases[] = {
        {"overlapping", {Vector3{0.5f, 0.2f, 0}, Vector3{1.5f, 0.2f, 0}, Vector3{0.5f, 1.2f, 0}}, 1},
        {"apart", {Vector3{2, 2, 0}, Vector3{3, 2, 0}, Vector3{2, 3, 0}}, 0},
        {"wholly inside", {Vector3{0.1f, 0.1f, 0}, Vector3{0.3f, 0.1f, 0}, Vector3{0.1f, 0.3f, 0}}, 1},
        {"wholly around", {Vector3{-1, -1, 0}, Vector3{3, -1, 0}, Vector3{-1, 3, 0}}, 1},
        {"sharing an edge", {Vector3{1, 0, 0}, Vector3{0, 1, 0}, Vector3{1, 1, 0}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int coplanar = -1;
        Vector3 x1{7, 7, 7}, x2{8, 8, 8};
        EXPECT_EQ(intersect(floorV, c.u, coplanar, x1, x2), c.result);
        EXPECT_EQ(coplanar, 1);
        EXPECT_EQ(x1.x, 7.0f);
        EXPECT_EQ(x2.x, 8.0f);
    }
}

TEST(IntersectTriangles, DegenerateTrianglesGetADefinedAnswer)
{
    // A tiny V piercing a large U: U's plane values against V are all below the
    // epsilon while V's against U are not. It is decided as coplanar.
    const Triangle tiny{Vector3{0.3f, 0.3f, -5e-5f}, Vector3{0.3001f, 0.3f, 5e-5f}, Vector3{0.3f, 0.3001f, 5e-5f}};
    const Triangle large{Vector3{0, 0, 0}, Vector3{1, 0, 0}, Vector3{0, 1, 0}};
    int coplanar = -1;
    Vector3 x1{7, 7, 7}, x2{7, 7, 7};
    EXPECT_EQ(intersect(tiny, large, coplanar, x1, x2), 1);
    EXPECT_EQ(coplanar, 1);

    // A zero-area V (a point) in U's plane, inside and outside U.
    const Triangle pointInside{Vector3{0.2f, 0.2f, 0}, Vector3{0.2f, 0.2f, 0}, Vector3{0.2f, 0.2f, 0}};
    const Triangle pointOutside{Vector3{2, 2, 0}, Vector3{2, 2, 0}, Vector3{2, 2, 0}};
    EXPECT_EQ(intersect(pointInside, large, coplanar, x1, x2), 1);
    EXPECT_EQ(coplanar, 1);
    EXPECT_EQ(intersect(pointOutside, large, coplanar, x1, x2), 0);
}

}  // namespace
