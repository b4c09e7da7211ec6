#include "sim/rigidbody/TriangleContacts.h"

#include <cmath>

#include "sim/rigidbody/ContactPoints.h"
#include "sim/rigidbody/TriangleIntersection.h"

namespace physics {
namespace rigidbody {

namespace {

void append(ContactList* contacts, RigidBody* a, RigidBody* b, const Vector3& point, const Vector3& normal)
{
    contacts->push_back(Contact{a, b, point, normal, Vector3::zero(), Vector3::zero(), true});
}

Vector3 negated(const Vector3& v) { return Vector3{-v.x, -v.y, -v.z}; }

// Unit face normal by the winding, or zero for a triangle without area.
Vector3 faceNormal(const Vector3* t)
{
    Vector3 n = crossProduct(Vector3(t[1] - t[0]), Vector3(t[2] - t[0]));
    if (squaredLength(n) == 0.0f) return Vector3::zero();
    normalise(n);
    return n;
}

bool isZero(const Vector3& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }

}  // namespace

void clipPolygonToPlane(const Vector3& n, float d, int& count, Vector3* polygon)
{
    if (count < 0 || count >= MAX_POLYGON_VERTICES) {  // would not fit the buffers
        count = 0;
        return;
    }

    float dist[MAX_POLYGON_VERTICES];
    int insideCount = 0, firstInside = -1;
    for (int k = 0; k < count; ++k) {
        dist[k] = float(double(dotProduct(n, polygon[k])) - d);
        if (dist[k] >= 0.0f) {  // NaN counts as outside
            ++insideCount;
            if (firstInside < 0) firstInside = k;
        }
    }
    auto inside = [&](int k) { return dist[k] >= 0.0f; };

    if (count == 2) {
        if (insideCount == 0) count = 0;
        if (insideCount != 1) return;
        const int in = firstInside, out = 1 - in;
        const float t = float(double(dist[in]) / (double(dist[in]) - dist[out]));
        polygon[out] = polygon[in] + (polygon[out] - polygon[in]) * t;
        return;
    }
    if (insideCount == 0) {
        count = 0;
        return;
    }
    if (insideCount == count) return;

    // Where the edge from vertex a to vertex b crosses the plane.
    auto crossing = [&](int a, int b) {
        const float t = float(double(dist[b]) / (double(dist[b]) - dist[a]));
        return Vector3((polygon[a] - polygon[b]) * t + polygon[b]);
    };

    Vector3 clipped[MAX_POLYGON_VERTICES];
    int m = 0;
    if (inside(0)) {
        int i = 0;
        while (inside(i)) clipped[m++] = polygon[i++];  // stops: some vertex is outside
        clipped[m++] = crossing(i - 1, i);
        int j = i;
        while (j < count && !inside(j)) ++j;
        if (j < count) {
            clipped[m++] = crossing(j - 1, j);
            while (j < count && inside(j)) clipped[m++] = polygon[j++];
        } else {
            clipped[m++] = crossing(count - 1, 0);
        }
    } else {
        int g = firstInside;
        clipped[m++] = crossing(g - 1, g);
        while (g < count && inside(g)) clipped[m++] = polygon[g++];
        clipped[m++] = g < count ? crossing(g - 1, g) : crossing(count - 1, 0);
    }
    for (int k = 0; k < m; ++k) polygon[k] = clipped[k];
    count = m;
}

void collideTriangleBox(const Vector3* triangle, const OrientedBox& box, RigidBody* meshBody, RigidBody* boxBody,
                        ContactList* contacts)
{
    Vector3 polygon[MAX_POLYGON_VERTICES] = {triangle[0], triangle[1], triangle[2]};
    Vector3 normals[MAX_POLYGON_VERTICES];
    int count = 3;
    int withNormal = 0;

    // The +x, +y, +z faces, then the -x, -y, -z faces. A polygon position takes the
    // outward normal of the first face after whose clip the polygon reached it.
    for (float s : {-1.0f, 1.0f})
        for (int i = 0; i < 3; ++i) {
            const Vector3 n = box.axes[i] * s;
            const float d = float(double(dotProduct(box.centre, n)) - box.halfExtents[i]);
            clipPolygonToPlane(n, d, count, polygon);
            if (count == 0) return;  // the triangle misses the box
            for (; withNormal < count; ++withNormal) normals[withNormal] = negated(n);
        }

    for (int k = 0; k < count; ++k) {
        Vector3 normal = normals[k];
        if (squaredLength(normal) == 0.0f) continue;  // a box axis of zero length has no face direction
        normalise(normal);
        append(contacts, meshBody, boxBody, polygon[k], normal);
    }
}

void collideTriangleSphere(const Vector3* triangle, const Sphere& sphere, RigidBody* meshBody, RigidBody* sphereBody,
                           ContactList* contacts, PointIndex* points)
{
    // Nearest point p0 + s E0 + t E1 by the regions of the (s, t) parameter plane.
    const Vector3& p0 = triangle[0];
    const Vector3 e0 = triangle[1] - p0;
    const Vector3 e1 = triangle[2] - p0;
    const Vector3 diff = p0 - sphere.centre;
    const double a = dotProduct(e0, e0), b = dotProduct(e0, e1), c = dotProduct(e1, e1);
    const double dd = dotProduct(e0, diff), e = dotProduct(e1, diff), f = dotProduct(diff, diff);
    const float det = float(std::fabs(a * c - b * b));
    float s = float(b * e - c * dd);
    float t = float(b * dd - a * e);

    enum Nearest { VERTEX0, VERTEX1, VERTEX2, EDGE_T0, EDGE_S0, GENERAL } nearest;
    // On the edges s = 0 and t = 0 from the vertex p0.
    auto onEdgeT0 = [&]() {  // t = 0
        t = 0.0f;
        if (dd >= 0.0) s = 0.0f, nearest = VERTEX0;
        else if (-dd >= a) s = 1.0f, nearest = VERTEX1;
        else s = float(-dd / a), nearest = EDGE_T0;
    };
    auto onEdgeS0 = [&]() {  // s = 0
        s = 0.0f;
        if (e >= 0.0) t = 0.0f, nearest = VERTEX0;
        else if (-e >= c) t = 1.0f, nearest = VERTEX2;
        else t = float(-e / c), nearest = EDGE_S0;
    };

    if (double(s) + t <= det) {
        if (s < 0.0f) {
            if (t < 0.0f) {
                if (dd < 0.0) onEdgeT0();
                else onEdgeS0();
            } else {
                onEdgeS0();
            }
        } else if (t < 0.0f) {
            onEdgeT0();
        } else {
            s = float(s * (1.0 / det));
            t = float(t * (1.0 / det));
            nearest = GENERAL;
        }
    } else if (s < 0.0f) {
        const float u0 = float(b + dd), u1 = float(c + e);
        if (u1 > u0) {
            const float numer = float(double(u1) - u0), denom = float(a - 2 * b + c);
            if (numer >= denom) s = 1.0f, t = 0.0f, nearest = VERTEX1;
            else s = float(double(numer) / denom), t = float(1.0 - s), nearest = GENERAL;
        } else {
            s = 0.0f;
            if (u1 <= 0.0f) t = 1.0f, nearest = VERTEX2;
            else if (e >= 0.0) t = 0.0f, nearest = VERTEX0;
            else t = float(-e / c), nearest = EDGE_S0;
        }
    } else if (t < 0.0f) {
        const float u0 = float(b + e), u1 = float(a + dd);
        if (u1 > u0) {
            const float numer = float(double(u1) - u0), denom = float(a - 2 * b + c);
            if (numer >= denom) t = 1.0f, s = 0.0f, nearest = VERTEX2;
            else t = float(double(numer) / denom), s = float(1.0 - t), nearest = GENERAL;
        } else {
            t = 0.0f;
            if (u1 <= 0.0f) s = 1.0f, nearest = VERTEX1;
            else if (dd >= 0.0) s = 0.0f, nearest = VERTEX0;
            else s = float(-dd / a), nearest = EDGE_T0;
        }
    } else {
        const float numer = float(c + e - b - dd);
        if (numer <= 0.0f) {
            s = 0.0f, t = 1.0f, nearest = VERTEX2;
        } else {
            const float denom = float(a - 2 * b + c);
            if (numer >= denom) s = 1.0f, t = 0.0f, nearest = VERTEX1;
            else s = float(double(numer) / denom), t = float(1.0 - s), nearest = GENERAL;
        }
    }

    float distanceSq;
    switch (nearest) {
    case VERTEX0: distanceSq = float(f); break;
    case VERTEX1: distanceSq = float(a + 2 * dd + f); break;
    case VERTEX2: distanceSq = float(c + 2 * e + f); break;
    case EDGE_T0: distanceSq = float(dd * s + f); break;
    case EDGE_S0: distanceSq = float(e * t + f); break;
    default: distanceSq = float(s * (a * s + b * t + 2 * dd) + t * (b * s + c * t + 2 * e) + f); break;
    }
    if (distanceSq < 0.0f) distanceSq = 0.0f;
    // A triangle without area leaves the parameters undefined (NaN): no contact.
    if (!(float(double(sphere.radius) * sphere.radius) >= distanceSq)) return;

    const Vector3 x = (p0 + e0 * s) + e1 * t;
    if (pointListed(contacts, x, points)) return;
    Vector3 normal = x - sphere.centre;
    if (squaredLength(normal) == 0.0f) {
        // Centre on the triangle: push the sphere out along the face normal.
        normal = negated(faceNormal(triangle));
        if (isZero(normal)) return;
    } else {
        normalise(normal);
    }
    append(contacts, meshBody, sphereBody, x, normal);
}

void collideTrianglePlane(const Vector3* triangle, const Plane& plane, RigidBody* meshBody, RigidBody* planeBody,
                          ContactList* contacts, PointIndex* points)
{
    for (int i = 0; i < 3; ++i) {
        if (!(Plane::signedDistance(plane, triangle[i]) < 0.0f)) continue;
        if (pointListed(contacts, triangle[i], points)) continue;
        append(contacts, meshBody, planeBody, triangle[i], plane.normal);
    }
}

float pointSegmentDistanceSq(const Segment& segment, const Vector3& point)
{
    const Vector3& r = segment.direction;
    const Vector3 w = point - segment.origin;
    const float t = dotProduct(r, w);
    if (t < 0.0f) return squaredLength(w);
    const float rr = dotProduct(r, r);
    if (t > rr) return squaredLength(Vector3(w - r));
    const float u = float(double(t) / rr);
    return squaredLength(Vector3(w - r * u));
}

namespace {

// A point of the overlap of two triangles in one plane: the centre of the vertices
// of one triangle clipped to the other. False when nothing is left.
bool coplanarOverlapCentre(const Vector3* p, const Vector3* q, Vector3& centre)
{
    const Vector3* sides = p;
    const Vector3* clippedTriangle = q;
    Vector3 n = faceNormal(p);
    if (isZero(n)) {
        sides = q;
        clippedTriangle = p;
        n = faceNormal(q);
        if (isZero(n)) return false;
    }

    Vector3 polygon[MAX_POLYGON_VERTICES] = {clippedTriangle[0], clippedTriangle[1], clippedTriangle[2]};
    int count = 3;
    for (int k = 0; k < 3 && count > 0; ++k) {
        // Counter-clockwise about n, so n x edge points into the triangle.
        const Vector3 inward = crossProduct(n, Vector3(sides[(k + 1) % 3] - sides[k]));
        clipPolygonToPlane(inward, dotProduct(inward, sides[k]), count, polygon);
    }
    if (count == 0) return false;

    Vector3 sum = Vector3::zero();
    for (int k = 0; k < count; ++k) sum += polygon[k];
    centre = sum / float(count);
    return true;
}

}  // namespace

void collideTriangleTriangle(const Vector3* p, const Vector3* q, RigidBody* bodyP, RigidBody* bodyQ,
                             ContactList* contacts, PointIndex* points)
{
    int coplanar = 0;
    Vector3 x1 = Vector3::zero(), x2 = Vector3::zero();
    if (!intersectTriangles(p[0], p[1], p[2], q[0], q[1], q[2], coplanar, x1, x2)) return;

    // Coplanar triangles give no segment; they touch somewhere in their overlap.
    Vector3 point;
    if (coplanar) {
        if (!coplanarOverlapCentre(p, q, point)) return;
    } else {
        point = Vector3{float(double(float(x1.x + x2.x)) * 0.5), float(double(float(x1.y + x2.y)) * 0.5),
                        float(double(float(x1.z + x2.z)) * 0.5)};
    }

    // Both segment ends on all three edges of P (a P too thin to tell its edges
    // apart): P's face gives the normal instead of Q's.
    bool onEdgesOfP = false;
    if (!coplanar) {
        const Segment edges[3] = {{p[0], p[1] - p[0]}, {p[1], p[2] - p[1]}, {p[2], p[0] - p[2]}};
        onEdgesOfP = true;
        for (const Vector3* x : {&x1, &x2}) {
            if (!(pointSegmentDistanceSq(edges[0], *x) < 1e-6)) onEdgesOfP = false;
            for (int k = 1; k < 3 && onEdgesOfP; ++k)
                if (!(float(std::sqrt(double(pointSegmentDistanceSq(edges[k], *x)))) < 1e-6)) onEdgesOfP = false;
            if (!onEdgesOfP) break;
        }
    }
    const Vector3* faceA = onEdgesOfP ? q : p;
    const Vector3* faceB = onEdgesOfP ? p : q;
    RigidBody* bodyA = onEdgesOfP ? bodyQ : bodyP;
    RigidBody* bodyB = onEdgesOfP ? bodyP : bodyQ;

    // The normal is bodyB's face normal; without area, the reverse of bodyA's.
    Vector3 normal = faceNormal(faceB);
    if (isZero(normal)) normal = negated(faceNormal(faceA));
    if (isZero(normal)) return;

    if (pointListed(contacts, point, points)) return;
    append(contacts, bodyA, bodyB, point, normal);
}

}  // namespace rigidbody
}  // namespace physics
