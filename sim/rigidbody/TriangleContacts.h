#pragma once
// Contacts of one world triangle (three points in the mesh's index order) with a
// box, a sphere, a plane or a triangle of another mesh. Each test only appends to
// the list; every contact is a vertex-face contact with zero edge directions and a
// unit normal from bodyB towards bodyA. The sphere, plane and triangle tests drop
// a contact whose point equals that of any contact already listed (points: the
// index of the list under search, ContactPoints.h, or null to scan the list).
#include "sim/maths/Plane.h"
#include "sim/maths/Sphere.h"
#include "sim/maths/Vector3.h"
#include "sim/rigidbody/Contact.h"
#include "sim/rigidbody/OrientedBox.h"
#include "sim/rigidbody/RigidBody.h"

namespace physics {
namespace rigidbody {

class PointIndex;

// A triangle clipped by the six faces of a box gains at most one vertex per face.
constexpr int MAX_POLYGON_VERTICES = 9;

// origin + u * direction for u in [0, 1].
struct Segment {
    Vector3 origin;
    Vector3 direction;
};

// Keeps the part of the convex polygon where n . p - d >= 0, in place. The result
// has at most one vertex more than the input, so the polygon array must hold
// count + 1 vertices; count must be below MAX_POLYGON_VERTICES (a larger polygon
// is dropped: count becomes 0).
void clipPolygonToPlane(const Vector3& n, float d, int& count, Vector3* polygon);

// The part of the triangle inside the box, one contact per polygon vertex with
// the outward normal of a box face (bodyA = mesh, bodyB = box). No duplicate check.
void collideTriangleBox(const Vector3* triangle, const OrientedBox& box, RigidBody* meshBody, RigidBody* boxBody,
                        ContactList* contacts);

// The point of the triangle nearest the sphere centre, when within the radius;
// normal from the centre towards it (bodyA = mesh, bodyB = sphere).
void collideTriangleSphere(const Vector3* triangle, const Sphere& sphere, RigidBody* meshBody, RigidBody* sphereBody,
                           ContactList* contacts, PointIndex* points = nullptr);

// Each vertex strictly behind the plane, with the plane's normal (bodyA = mesh,
// bodyB = plane).
void collideTrianglePlane(const Vector3* triangle, const Plane& plane, RigidBody* meshBody, RigidBody* planeBody,
                          ContactList* contacts, PointIndex* points = nullptr);

float pointSegmentDistanceSq(const Segment& segment, const Vector3& point);

// Crossing triangles: one contact at the middle of their intersection segment with
// Q's face normal (bodyA = body of P, bodyB = body of Q); when both segment ends lie
// on all three edges of P the roles are exchanged. Coplanar overlapping triangles
// touch at the centre of their overlap.
void collideTriangleTriangle(const Vector3* p, const Vector3* q, RigidBody* bodyP, RigidBody* bodyQ,
                             ContactList* contacts, PointIndex* points = nullptr);

}  // namespace rigidbody
}  // namespace physics
