#pragma once
// Whether two world triangles intersect, and the segment along which they cross:
// the interval method (each triangle cut by the other's plane gives an interval
// on the line where the planes meet; the triangles intersect where the intervals
// overlap). Plane values below 1e-6 in magnitude count as zero.
#include "sim/maths/Vector3.h"

namespace physics {
namespace rigidbody {

// A triangle's plane n . x + d = 0 as the test below forms it from the triangle's
// own vertices (n = (p1 - p0) x (p2 - p0), d = -n . p0, both rounded to float).
struct TrianglePlane {
    Vector3 n;
    float d;
};
TrianglePlane trianglePlane(const Vector3& p0, const Vector3& p1, const Vector3& p2);

// The plane values of three points against a plane, as the test computes them
// (values below 1e-6 in magnitude are 0), and two of their products.
struct PlaneSides {
    float d0, d1, d2, d0d1, d0d2;
    // All three points strictly on one side: the test then ends without a hit.
    bool separated() const { return d0d1 > 0.0f && d0d2 > 0.0f; }
};
PlaneSides planeSides(const TrianglePlane& plane, const Vector3& a, const Vector3& b, const Vector3& c);

// Whether intersectTriangles, given the two triangles in either order, returns 0
// at one of its first two steps: one triangle lies strictly on one side of the
// other's plane. The same arithmetic as the test's, so the answer is the test's.
inline bool planeSeparates(const TrianglePlane& plane, const Vector3* triangle)
{
    return planeSides(plane, triangle[0], triangle[1], triangle[2]).separated();
}

// Returns 1 when V = (v0, v1, v2) and U = (u0, u1, u2) intersect. Sets coplanar to
// 1 when they were found to lie in one plane; only then is the overlap decided
// in that plane and x1, x2 are left as they were. Otherwise coplanar is 0 and, on
// a hit, x1 and x2 are the ends of the intersection segment (equal when the
// triangles only touch).
int intersectTriangles(const Vector3& v0, const Vector3& v1, const Vector3& v2, const Vector3& u0,
                       const Vector3& u1, const Vector3& u2, int& coplanar, Vector3& x1, Vector3& x2);

// The interval of one triangle (p0, p1, p2) on the line: q are the vertices'
// projections on it, d their plane values against the other plane, d0d1 and d0d2
// two of their products. Returns 1, writing nothing, when all three values are 0;
// else 0 after writing the interval ends and the points they come from.
int computeTriangleInterval(const Vector3& p0, const Vector3& p1, const Vector3& p2, float q0, float q1, float q2,
                            float d0, float d1, float d2, float d0d1, float d0d2, float& end0, float& end1,
                            Vector3& point0, Vector3& point1);

// Where the two edges from the vertex alone on its side (lone, plane value e0,
// projection q0) cross the other plane.
void intersectEdgesWithPlane(const Vector3& lone, const Vector3& p1, const Vector3& p2, float q0, float q1, float q2,
                             float e0, float e1, float e2, float& end0, float& end1, Vector3& point0,
                             Vector3& point1);

// Overlap of two triangles in one plane with normal n, decided in the coordinate
// plane most nearly parallel to them: edges crossing (ends included), or one
// triangle's first vertex inside the other.
int intersectCoplanarTriangles(const Vector3& n, const Vector3& v0, const Vector3& v1, const Vector3& v2,
                               const Vector3& u0, const Vector3& u1, const Vector3& u2);

}  // namespace rigidbody
}  // namespace physics
