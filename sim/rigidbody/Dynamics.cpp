#include "sim/rigidbody/Dynamics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace physics {
namespace rigidbody {

namespace {

Vector3 row(const Matrix3& m, int r) { return Vector3{m[r][0], m[r][1], m[r][2]}; }

void setRow(Matrix3& m, int r, const Vector3& v)
{
    m[r][0] = v.x;
    m[r][1] = v.y;
    m[r][2] = v.z;
}

float length(const Vector3& v) { return float(std::sqrt(double(squaredLength(v)))); }

bool finite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// The matrix w* with w* v = w x v.
Matrix3 star(const Vector3& w)
{
    return Matrix3{{{0.0f, -w.z, w.y}, {w.z, 0.0f, -w.x}, {-w.y, w.x, 0.0f}}};
}

}  // namespace

void orthonormaliseRotation(RigidBody* body)
{
    const Vector3 r0 = row(body->rotation, 0), r1 = row(body->rotation, 1), r2 = row(body->rotation, 2);

    Vector3 e0 = r0 / length(r0);
    Vector3 e1 = r1 - e0 * dotProduct(e0, r1);
    e1 = e1 / length(e1);
    const float d02 = dotProduct(e0, r2);
    const float d12 = dotProduct(e1, r2);
    Vector3 e2 = (r2 - e0 * d02) - e1 * d12;
    e2 = e2 / length(e2);

    setRow(body->rotation, 0, e0);
    setRow(body->rotation, 1, e1);
    setRow(body->rotation, 2, e2);
}

void bodyToState(const RigidBody* body, float* s)
{
    s[0] = body->position.x;
    s[1] = body->position.y;
    s[2] = body->position.z;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) s[3 + 3 * r + c] = body->rotation[r][c];
    s[12] = body->linearMomentum.x;
    s[13] = body->linearMomentum.y;
    s[14] = body->linearMomentum.z;
    s[15] = body->angularMomentum.x;
    s[16] = body->angularMomentum.y;
    s[17] = body->angularMomentum.z;
}

void stateToBody(const float* s, RigidBody* body)
{
    body->position = Vector3{s[0], s[1], s[2]};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) body->rotation[r][c] = s[3 + 3 * r + c];
    body->linearMomentum = Vector3{s[12], s[13], s[14]};
    body->angularMomentum = Vector3{s[15], s[16], s[17]};

    body->velocity = body->linearMomentum * body->inverseMass;
    Matrix3 w = body->rotation;
    w *= body->inverseInertia;
    w *= Matrix3::transpose(body->rotation);
    body->worldInverseInertia = w;
    body->angularVelocity = body->worldInverseInertia * body->angularMomentum;
}

void computeForceAndTorque(RigidBody* body, const std::vector<AppliedForce>& forces)
{
    body->force = Vector3::zero();
    body->torque = Vector3::zero();
    for (const AppliedForce& f : forces)
        if (f.body == body) body->force += f.force;
    const float g = float(body->mass * -9.81);
    body->force += Vector3{0.0f, g, 0.0f};
}

void computeForcesAndTorques(const std::vector<RigidBody*>& bodiesByAddress, const std::vector<AppliedForce>& forces)
{
    for (RigidBody* body : bodiesByAddress) {
        body->force = Vector3::zero();
        body->torque = Vector3::zero();
    }
    // Forces come in runs for one body (the water adds a body's forces together).
    const RigidBody* body = nullptr;
    bool active = false;
    for (const AppliedForce& f : forces) {
        if (f.body != body) {
            body = f.body;
            active = std::binary_search(bodiesByAddress.begin(), bodiesByAddress.end(), f.body);
        }
        if (active) f.body->force += f.force;
    }
    for (RigidBody* body : bodiesByAddress) {
        const float g = float(body->mass * -9.81);
        body->force += Vector3{0.0f, g, 0.0f};
    }
}

void bodyDerivative(float* out, const RigidBody* body)
{
    out[0] = body->velocity.x;
    out[1] = body->velocity.y;
    out[2] = body->velocity.z;
    Matrix3 spin = star(body->angularVelocity);
    spin *= body->rotation;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) out[3 + 3 * r + c] = spin[r][c];
    out[12] = body->force.x;
    out[13] = body->force.y;
    out[14] = body->force.z;
    out[15] = body->torque.x;
    out[16] = body->torque.y;
    out[17] = body->torque.z;
}

void resolveCollisions(ContactList* contacts)
{
    for (Contact& c : *contacts) {
        RigidBody* a = c.bodyA;
        RigidBody* b = c.bodyB;
        // Two bodies that cannot move (static meshes, planes, a box without
        // inverse mass) would divide 0 by 0 and take the NaN into their state.
        if (a->inverseMass == 0.0f && b->inverseMass == 0.0f) continue;
        const Vector3& n = c.normal;

        const Vector3 rA = c.point - a->position;
        const Vector3 rB = c.point - b->position;
        const Vector3 uA = a->velocity + crossProduct(a->angularVelocity, rA);
        const Vector3 uB = b->velocity + crossProduct(b->angularVelocity, rB);
        const float vrel = dotProduct(uA - uB, n);
        // Slowly separating contacts still get an impulse; NaN gets none.
        if (!(vrel <= 0.005)) continue;

        const Vector3 kA = a->worldInverseInertia * crossProduct(rA, n);
        const float termA = dotProduct(n, crossProduct(kA, rA));
        const Vector3 kB = b->worldInverseInertia * crossProduct(rB, n);
        const float termB = dotProduct(n, crossProduct(kB, rB));
        // -(1 + e) with the restitution e = 0.6f widened to double.
        const float j = float((vrel * -1.600000023841858) /
                              ((termA + (double(b->inverseMass) + a->inverseMass)) + termB));
        const Vector3 impulse = n * j;

        // Worked out before any body is touched; a body listed on both sides (one
        // added twice) takes both changes, the second after the first.
        Vector3 linearA = a->linearMomentum, angularA = a->angularMomentum;
        linearA += impulse;
        angularA += crossProduct(rA, impulse);
        Vector3 linearB = a == b ? linearA : b->linearMomentum, angularB = a == b ? angularA : b->angularMomentum;
        linearB -= impulse;
        angularB -= crossProduct(rB, impulse);
        if (a == b) {
            linearA = linearB;
            angularA = angularB;
        }
        const Vector3 velocityA = linearA * a->inverseMass, velocityB = linearB * b->inverseMass;
        const Vector3 spinA = a->worldInverseInertia * angularA, spinB = b->worldInverseInertia * angularB;
        // An impulse that is not a number or overflows (a body gone bad, lever arms
        // or masses out of all proportion) would spread to every body the two
        // touch: a static body's velocity is its momentum times 0.
        if (!(finite(linearA) && finite(linearB) && finite(angularA) && finite(angularB) && finite(velocityA) &&
              finite(velocityB) && finite(spinA) && finite(spinB)))
            continue;

        a->linearMomentum = linearA;
        b->linearMomentum = linearB;
        a->angularMomentum = angularA;
        b->angularMomentum = angularB;
        a->velocity = velocityA;
        b->velocity = velocityB;
        a->angularVelocity = spinA;
        b->angularVelocity = spinB;
    }
}

void indexOutOfRange(const char* what, std::size_t index, std::size_t size)
{
    std::fprintf(stderr, "physics: %s index %zu out of range (size %zu)\n", what, index, size);
    std::abort();
}

}  // namespace rigidbody
}  // namespace physics
