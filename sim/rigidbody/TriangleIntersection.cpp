#include "sim/rigidbody/TriangleIntersection.h"

#include <cmath>
#include <utility>

namespace physics {
namespace rigidbody {

namespace {

constexpr double PLANE_EPSILON = 1e-6;

// Plane value of p against the plane n . x + d = 0 (its distance times |n|),
// snapped to 0 when it is too small to trust.
float planeValue(const Vector3& n, float d, const Vector3& p)
{
    const float value = float(double(dotProduct(n, p)) + d);
    return std::fabs(value) < PLANE_EPSILON ? 0.0f : value;
}

float product(float a, float b) { return float(double(a) * b); }

}  // namespace

TrianglePlane trianglePlane(const Vector3& p0, const Vector3& p1, const Vector3& p2)
{
    const Vector3 n = crossProduct(Vector3(p1 - p0), Vector3(p2 - p0));
    return TrianglePlane{n, -dotProduct(n, p0)};
}

PlaneSides planeSides(const TrianglePlane& plane, const Vector3& a, const Vector3& b, const Vector3& c)
{
    PlaneSides s;
    s.d0 = planeValue(plane.n, plane.d, a);
    s.d1 = planeValue(plane.n, plane.d, b);
    s.d2 = planeValue(plane.n, plane.d, c);
    s.d0d1 = product(s.d0, s.d1);
    s.d0d2 = product(s.d0, s.d2);
    return s;
}

int intersectTriangles(const Vector3& v0, const Vector3& v1, const Vector3& v2, const Vector3& u0,
                       const Vector3& u1, const Vector3& u2, int& coplanar, Vector3& x1, Vector3& x2)
{
    // U against the plane of V: all on one side means no intersection.
    const TrianglePlane planeV = trianglePlane(v0, v1, v2);
    const Vector3& n1 = planeV.n;
    const PlaneSides u = planeSides(planeV, u0, u1, u2);
    if (u.separated()) return 0;
    const float du0 = u.d0, du1 = u.d1, du2 = u.d2, du0du1 = u.d0d1, du0du2 = u.d0d2;

    // V against the plane of U.
    const TrianglePlane planeU = trianglePlane(u0, u1, u2);
    const Vector3& n2 = planeU.n;
    const PlaneSides v = planeSides(planeU, v0, v1, v2);
    if (v.separated()) return 0;
    const float dv0 = v.d0, dv1 = v.d1, dv2 = v.d2, dv0dv1 = v.d0d1, dv0dv2 = v.d0d2;

    // Project onto the coordinate axis most nearly parallel to the planes' line.
    const Vector3 line = crossProduct(n1, n2);
    int axis = 0;
    float largest = std::fabs(line.x);
    if (std::fabs(line.y) > largest) {
        axis = 1;
        largest = std::fabs(line.y);
    }
    if (std::fabs(line.z) > largest) axis = 2;

    float endV[2], endU[2];
    Vector3 pointV[2], pointU[2];
    if (computeTriangleInterval(v0, v1, v2, v0[axis], v1[axis], v2[axis], dv0, dv1, dv2, dv0dv1, dv0dv2, endV[0],
                                endV[1], pointV[0], pointV[1])) {
        // A degenerate V has no normal of its own; U's plane is then the one to work in.
        coplanar = 1;
        return intersectCoplanarTriangles(squaredLength(n1) > 0.0f ? n1 : n2, v0, v1, v2, u0, u1, u2);
    }
    coplanar = 0;
    if (computeTriangleInterval(u0, u1, u2, u0[axis], u1[axis], u2[axis], du0, du1, du2, du0du1, du0du2, endU[0],
                                endU[1], pointU[0], pointU[1])) {
        // U lies in V's plane by its plane values although V crosses U's plane:
        // V is too small for its plane to resolve U. Decide it in U's plane.
        coplanar = 1;
        return intersectCoplanarTriangles(n2, v0, v1, v2, u0, u1, u2);
    }

    if (endV[0] > endV[1]) {
        std::swap(endV[0], endV[1]);
        std::swap(pointV[0], pointV[1]);
    }
    if (endU[0] > endU[1]) {
        std::swap(endU[0], endU[1]);
        std::swap(pointU[0], pointU[1]);
    }
    if (endV[1] < endU[0] || endU[1] < endV[0]) return 0;

    // The segment is the overlap of the two intervals.
    if (endU[0] < endV[0]) {
        x1 = pointV[0];
        x2 = endU[1] < endV[1] ? pointU[1] : pointV[1];
    } else {
        x1 = pointU[0];
        x2 = endV[1] < endU[1] ? pointV[1] : pointU[1];
    }
    return 1;
}

int computeTriangleInterval(const Vector3& p0, const Vector3& p1, const Vector3& p2, float q0, float q1, float q2,
                            float d0, float d1, float d2, float d0d1, float d0d2, float& end0, float& end1,
                            Vector3& point0, Vector3& point1)
{
    // Find the vertex alone on its side of the other plane.
    if (d0d1 > 0.0f)
        intersectEdgesWithPlane(p2, p0, p1, q2, q0, q1, d2, d0, d1, end0, end1, point0, point1);
    else if (d0d2 > 0.0f)
        intersectEdgesWithPlane(p1, p0, p2, q1, q0, q2, d1, d0, d2, end0, end1, point0, point1);
    else if (product(d1, d2) > 0.0f || d0 != 0.0f)
        intersectEdgesWithPlane(p0, p1, p2, q0, q1, q2, d0, d1, d2, end0, end1, point0, point1);
    else if (d1 != 0.0f)
        intersectEdgesWithPlane(p1, p0, p2, q1, q0, q2, d1, d0, d2, end0, end1, point0, point1);
    else if (d2 != 0.0f)
        intersectEdgesWithPlane(p2, p0, p1, q2, q0, q1, d2, d0, d1, end0, end1, point0, point1);
    else
        return 1;
    return 0;
}

void intersectEdgesWithPlane(const Vector3& lone, const Vector3& p1, const Vector3& p2, float q0, float q1, float q2,
                             float e0, float e1, float e2, float& end0, float& end1, Vector3& point0,
                             Vector3& point1)
{
    const float t1 = float(double(e0) / (double(e0) - e1));
    end0 = float(q0 + (double(q1) - q0) * t1);
    point0 = (p1 - lone) * t1 + lone;
    const float t2 = float(double(e0) / (double(e0) - e2));
    end1 = float(q0 + (double(q2) - q0) * t2);
    point1 = (p2 - lone) * t2 + lone;
}

namespace {

// A vertex projected onto the two kept coordinates.
struct Point2 {
    float x, y;
};

Point2 project(const Vector3& p, int i0, int i1) { return Point2{p[i0], p[i1]}; }

// Whether the edge from a along (ax, ay) meets the edge c-d, ends included.
bool edgesMeet(const Point2& a, float ax, float ay, const Point2& c, const Point2& d)
{
    const float bx = c.x - d.x, by = c.y - d.y;
    const float cx = a.x - c.x, cy = a.y - c.y;
    const float f = float(double(ay) * bx - double(ax) * by);
    const float s = float(double(by) * cx - double(bx) * cy);
    if ((f > 0.0f && s >= 0.0f && s <= f) || (f < 0.0f && s <= 0.0f && s >= f)) {
        const float e = float(double(ax) * cy - double(ay) * cx);
        if (f > 0.0f) return e >= 0.0f && e <= f;
        return e <= 0.0f && e >= f;
    }
    return false;
}

bool edgeMeetsTriangle(const Point2& a, const Point2& b, const Point2 t[3])
{
    const float ax = b.x - a.x, ay = b.y - a.y;
    return edgesMeet(a, ax, ay, t[0], t[1]) || edgesMeet(a, ax, ay, t[1], t[2]) || edgesMeet(a, ax, ay, t[2], t[0]);
}

// Side of p relative to the line through a and b (sign only matters).
float edgeLineValue(const Point2& p, const Point2& a, const Point2& b)
{
    const float ea = b.y - a.y;
    const float eb = -(b.x - a.x);
    const float ec = float(-double(ea) * a.x - double(eb) * a.y);
    return float(double(ea) * p.x + double(eb) * p.y + ec);
}

// Strictly inside: p lies on the same side of all three edge lines.
bool pointInTriangle(const Point2& p, const Point2 t[3])
{
    const double s0 = edgeLineValue(p, t[0], t[1]);
    const double s1 = edgeLineValue(p, t[1], t[2]);
    const double s2 = edgeLineValue(p, t[2], t[0]);
    return s0 * s1 > 0.0 && s0 * s2 > 0.0;
}

}  // namespace

int intersectCoplanarTriangles(const Vector3& n, const Vector3& v0, const Vector3& v1, const Vector3& v2,
                               const Vector3& u0, const Vector3& u1, const Vector3& u2)
{
    // Drop the normal's largest component.
    const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    int i0, i1;
    if (ax > ay) {
        if (ax > az) i0 = 1, i1 = 2;
        else i0 = 0, i1 = 1;
    } else {
        if (az > ay) i0 = 0, i1 = 1;
        else i0 = 0, i1 = 2;
    }

    const Point2 v[3] = {project(v0, i0, i1), project(v1, i0, i1), project(v2, i0, i1)};
    const Point2 u[3] = {project(u0, i0, i1), project(u1, i0, i1), project(u2, i0, i1)};
    if (edgeMeetsTriangle(v[0], v[1], u) || edgeMeetsTriangle(v[1], v[2], u) || edgeMeetsTriangle(v[2], v[0], u))
        return 1;
    if (pointInTriangle(v[0], u) || pointInTriangle(u[0], v)) return 1;
    return 0;
}

}  // namespace rigidbody
}  // namespace physics
