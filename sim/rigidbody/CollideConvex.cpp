// Pairs among boxes, spheres and planes.
#include <algorithm>
#include <cmath>

#include "sim/maths/Matrix4.h"
#include "sim/rigidbody/Collide.h"
#include "sim/rigidbody/SearchContext.h"

namespace physics {
namespace rigidbody {

namespace {

void appendVertexFace(ContactList* contacts, RigidBody* a, RigidBody* b, const Vector3& point, const Vector3& normal)
{
    contacts->push_back(Contact{a, b, point, normal, Vector3::zero(), Vector3::zero(), true});
}

// Any fixed unit vector serves when a normal has no direction (coincident sphere
// centres, a sphere centred on a box centre); +y pushes bodyA up and bodyB down.
const Vector3 fallbackNormal{0.0f, 1.0f, 0.0f};

// Whether the sphere certainly lies too far from the box for any contact, judged
// without the box's transform and its inverse. The pair measures the centre in box
// coordinates, R^-1 (centre - position), so it finds a contact only for centres
// within position + R (box + ball of the radius): a box within the sum of the
// absolute rotation times the half extents on each world axis, widened by the
// radius times R's largest singular value. That bound is in double with a wide
// margin for the pair's float rounding; a rotation far off orthonormal, or
// anything not a number, is left to the pair itself.
bool sphereBeyondBox(const BoxBody* box, const SphereBody* sphere)
{
    const Matrix3& R = box->rotation;
    for (int a = 0; a < 3; ++a)
        for (int k = 0; k < 3; ++k)
            if (!std::isfinite(R[a][k])) return false;
    double g = 0;  // largest entry of R^T R - I
    for (int j = 0; j < 3; ++j)
        for (int k = j; k < 3; ++k) {
            const double dot = double(R[0][j]) * R[0][k] + double(R[1][j]) * R[1][k] + double(R[2][j]) * R[2][k];
            const double off = std::fabs(dot - (j == k ? 1.0 : 0.0));
            if (!(off <= g)) g = off;
        }
    if (!(3.0 * g < 0.25)) return false;
    const double stretch = std::sqrt(1.0 + 3.0 * g);
    const double r = std::fabs(double(sphere->radius));
    const Vector3& h = box->halfExtents;
    double scale = r;
    for (int a = 0; a < 3; ++a)
        scale += std::fabs(double(box->position[a])) + std::fabs(double(sphere->position[a])) + std::fabs(double(h[a]));
    if (!(scale < 1e15)) return false;
    const double margin = 1e-4 * scale + 1e-15;
    for (int a = 0; a < 3; ++a) {
        const double reach = std::fabs(double(R[a][0])) * std::fabs(h.x) + std::fabs(double(R[a][1])) * std::fabs(h.y) +
                             std::fabs(double(R[a][2])) * std::fabs(h.z) + stretch * r + margin;
        if (std::fabs(double(sphere->position[a]) - box->position[a]) > reach) return true;
    }
    return false;
}

// The pair from the box's transform and its inverse.
void boxSphere(BoxBody* box, SphereBody* sphere, const Matrix4& toWorld, const Matrix4& toBox, ContactList* contacts)
{
    const Vector3 c = Matrix4::transformAffine(toBox, sphere->position);
    const float r = sphere->radius;
    const Vector3& h = box->halfExtents;

    for (int axis = 0; axis < 3; ++axis)
        if (double(std::fabs(c[axis])) - r > h[axis]) return;

    Vector3 k = c;
    for (int axis = 0; axis < 3; ++axis) {
        if (k[axis] > h[axis]) k[axis] = h[axis];
        if (-h[axis] > k[axis]) k[axis] = -h[axis];
    }

    const DoubleVector3 diff{k.x - c.x, k.y - c.y, k.z - c.z};
    const float distanceSq = squaredLength(diff);
    const double radiusSq = double(r) * double(r);
    if (radiusSq < distanceSq) return;

    const Vector3 p = Matrix4::transformAffine(toWorld, k);
    Vector3 n = p - sphere->position;
    if (double(squaredLength(n)) < 0.00001) n = box->position - p;
    // Sphere centred exactly on the box centre: no direction at all.
    if (squaredLength(n) == 0.0f) n = fallbackNormal;
    else normalise(n);
    appendVertexFace(contacts, box, sphere, p, n);
}

}  // namespace

void collideBoxSphere(RigidBody* boxBody, RigidBody* sphereBody, ContactList* contacts, SearchContext& context)
{
    auto* box = static_cast<BoxBody*>(boxBody);
    auto* sphere = static_cast<SphereBody*>(sphereBody);
    if (sphereBeyondBox(box, sphere)) return;
    const BoxTransform& t = context.boxTransform(box);
    boxSphere(box, sphere, t.toWorld, t.toBox, contacts);
}

void collideBoxSphere(RigidBody* box, RigidBody* sphere, ContactList* contacts)
{
    SearchContext context;
    collideBoxSphere(box, sphere, contacts, context);
}

void full::collideBoxSphere(RigidBody* boxBody, RigidBody* sphereBody, ContactList* contacts)
{
    auto* box = static_cast<BoxBody*>(boxBody);
    const Matrix4 toWorld = Matrix4::makeTranslation(box->position) * Matrix4::fromRotation(box->rotation);
    boxSphere(box, static_cast<SphereBody*>(sphereBody), toWorld, Matrix4::inverse(toWorld), contacts);
}

void collideSphereBox(RigidBody* sphere, RigidBody* box, ContactList* contacts)
{
    collideBoxSphere(box, sphere, contacts);
}

void collideBoxPlane(RigidBody* boxBody, RigidBody* planeBody, ContactList* contacts)
{
    auto* box = static_cast<BoxBody*>(boxBody);
    const Plane& plane = static_cast<PlaneBody*>(planeBody)->plane;
    const Vector3& h = box->halfExtents;

    for (int corner = 0; corner < 8; ++corner) {
        const Vector3 local{(corner & 1) ? h.x : -h.x, (corner & 2) ? h.y : -h.y, (corner & 4) ? h.z : -h.z};
        const Vector3 world = box->rotation * local + box->position;
        if (Plane::signedDistance(plane, world) < 0.0f)
            appendVertexFace(contacts, box, planeBody, world, plane.normal);
    }
}

void collidePlaneBox(RigidBody* plane, RigidBody* box, ContactList* contacts)
{
    collideBoxPlane(box, plane, contacts);
}

void collideSphereSphere(RigidBody* aBody, RigidBody* bBody, ContactList* contacts)
{
    auto* a = static_cast<SphereBody*>(aBody);
    auto* b = static_cast<SphereBody*>(bBody);

    Vector3 d = a->position - b->position;
    const float distanceSq = squaredLength(d);
    const double ra = a->radius, rb = b->radius;
    if (!(distanceSq < ra * ra + 2.0 * ra * rb + rb * rb)) return;

    // Coincident centres: no direction, take the fallback.
    if (distanceSq == 0.0f) d = fallbackNormal;
    else normalise(d);
    const Vector3 point = b->position + d * b->radius;
    appendVertexFace(contacts, a, b, point, d);
}

void collideSpherePlane(RigidBody* sphereBody, RigidBody* planeBody, ContactList* contacts)
{
    auto* sphere = static_cast<SphereBody*>(sphereBody);
    const Plane& plane = static_cast<PlaneBody*>(planeBody)->plane;

    const float s = Plane::signedDistance(plane, sphere->position);
    if (!(sphere->radius > s)) return;
    const Vector3 point = sphere->position - plane.normal * s;
    appendVertexFace(contacts, sphere, planeBody, point, plane.normal);
}

void collidePlaneSphere(RigidBody* plane, RigidBody* sphere, ContactList* contacts)
{
    collideSpherePlane(sphere, plane, contacts);
}

void collidePlanePlane(RigidBody*, RigidBody*, ContactList*) {}

}  // namespace rigidbody
}  // namespace physics
