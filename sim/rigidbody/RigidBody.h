#pragma once
// Body records: a plain RigidBody followed by the data of its shape.
#include <cstdint>

#include "sim/maths/Matrix3.h"
#include "sim/maths/Plane.h"
#include "sim/maths/Vector3.h"

namespace physics {
namespace rigidbody {

// Selects the shape record and the row and column of the collision pair table.
enum ShapeType : std::int32_t {
    SHAPE_BOX = 0,
    SHAPE_SPHERE = 1,
    SHAPE_TRIANGLE_MESH = 2,
    SHAPE_PLANE = 3,
};

// A body at rest is static when inverseMass is 0 and inverseInertia is zero; it
// still receives gravity and impulses in its momentum but never moves.
struct RigidBody {
    std::int32_t id;         // the application's; the library never reads it
    std::int32_t shapeType;  // a ShapeType
    float mass;
    float inverseMass;
    Matrix3 inertia;         // body coordinates
    Matrix3 inverseInertia;  // body coordinates; zero for a static body

    // The 18 floats of integrated state, in this order.
    Vector3 position;
    Matrix3 rotation;  // body to world, row-major
    Vector3 linearMomentum;
    Vector3 angularMomentum;

    // Derived from the state at the end of every step.
    Matrix3 worldInverseInertia;
    Vector3 velocity;
    Vector3 angularVelocity;
    Vector3 force;
    Vector3 torque;
};

struct BoxBody : RigidBody {
    Vector3 halfExtents;
};

struct SphereBody : RigidBody {
    float radius;
};

class MeshTree;

struct TriangleMeshBody : RigidBody {
    MeshTree* meshTree;  // not owned
};

struct PlaneBody : RigidBody {
    Plane plane;  // world coordinates; position and rotation do not move it

    PlaneBody() : plane{Vector3::zero(), 0.0f} {}
};

// No point of a body may lie farther than this from its centre along any axis:
// a sphere's radius, a box's half extents, a mesh's vertices in body coordinates.
// A body that large still has contact points and lever arms to 1/16 of a unit
// (float spacing at 1e6; a fifth of the smallest radius the programs use, so the
// contacts of the bodies beside it still hold), the impulse's squared lever arms
// stay far inside the float range, and a box of unit mass that size still has an
// inertia whose determinant is a float, so it inverts.
constexpr float MAX_BODY_REACH = 1e6f;

// Shape initialisers: fill shape type, mass, inverse mass, inertia and shape data.
// The caller sets pose and motion afterwards. A static box or sphere is made by
// setting inverseMass and inverseInertia to zero afterwards. Each throws
// std::invalid_argument naming the value, leaving the body as it was, for a mass
// that is not finite and positive (or whose inverse or weight is not a float), a
// size or radius that is negative, not finite or beyond MAX_BODY_REACH (a box may
// be flat: a size of 0 is allowed), and an inertia beyond the float range.
void initBox(BoxBody* body, float mass, float sizeX, float sizeY, float sizeZ);
void initSphere(SphereBody* body, float mass, float radius);
void initPlane(PlaneBody* body, const Plane& plane);
// Builds a new mesh tree over the arrays (the vertices are kept, not copied, and must
// outlive the body). A movable mesh gets the inertia of its bounding box, a static
// one (dynamic false) zero inverse mass and zero inertia; both keep the given mass.
// A mesh the tree refuses (see MeshTree::build), a bad mass, or a vertex of a
// triangle that is not finite or lies beyond MAX_BODY_REACH throws
// std::invalid_argument and leaves the body as it was.
void initTriangleMesh(TriangleMeshBody* body, float mass, int vertexCount, float* vertices, int triangleCount,
                      std::uint16_t* triangles, bool dynamic);

// What the simulator checks of a body handed to it: the mass as the initialisers
// check it, an inverse mass that is finite and not negative, and the shape's
// size (a mesh body needs its tree). Throws std::invalid_argument naming the value.
void checkBody(const RigidBody* body);

// The hand-over state of a new body: the given pose, no motion, an identity world
// inverse inertia (the first step's contacts read it before the simulator derives
// it) and no force or torque.
inline void setAtRest(RigidBody* body, const Vector3& position, const Matrix3& rotation = Matrix3::identity())
{
    body->position = position;
    body->rotation = rotation;
    body->linearMomentum = Vector3::zero();
    body->angularMomentum = Vector3::zero();
    body->worldInverseInertia = Matrix3::identity();
    body->velocity = Vector3::zero();
    body->angularVelocity = Vector3::zero();
    body->force = Vector3::zero();
    body->torque = Vector3::zero();
}

}  // namespace rigidbody
}  // namespace physics
