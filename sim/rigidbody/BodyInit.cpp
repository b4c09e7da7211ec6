#include "sim/rigidbody/RigidBody.h"

#include <memory>

#include "sim/rigidbody/MeshTree.h"

namespace physics {
namespace rigidbody {

void initBox(BoxBody* body, float mass, float sizeX, float sizeY, float sizeZ)
{
    body->shapeType = SHAPE_BOX;
    body->mass = mass;
    body->inverseMass = 1.0f / mass;
    body->halfExtents = Vector3{float(sizeX * 0.5), float(sizeY * 0.5), float(sizeZ * 0.5)};

    const double x2 = double(sizeX) * sizeX, y2 = double(sizeY) * sizeY, z2 = double(sizeZ) * sizeZ;
    body->inertia = Matrix3::identity();
    body->inertia[0][0] = float(mass / 12.0 * (y2 + z2));
    body->inertia[1][1] = float(mass / 12.0 * (x2 + z2));
    body->inertia[2][2] = float(mass / 12.0 * (x2 + y2));
    body->inverseInertia = Matrix3::inverse(body->inertia);
}

void initSphere(SphereBody* body, float mass, float radius)
{
    body->shapeType = SHAPE_SPHERE;
    body->mass = mass;
    body->inverseMass = 1.0f / mass;
    body->radius = radius;
    // Deliberately the identity, whatever the mass and radius.
    body->inertia = Matrix3::identity();
    body->inverseInertia = Matrix3::inverse(body->inertia);
}

void initPlane(PlaneBody* body, const Plane& plane)
{
    body->shapeType = SHAPE_PLANE;
    body->mass = 1.0f;
    body->inverseMass = 0.0f;
    body->plane = plane;
    body->inertia = Matrix3::zero();
    body->inverseInertia = Matrix3::zero();
}

void initTriangleMesh(TriangleMeshBody* body, float mass, int vertexCount, float* vertices, int triangleCount,
                      std::uint16_t* triangles, bool dynamic)
{
    // Built before it is handed over, so that a refused mesh leaves the body untouched.
    std::unique_ptr<MeshTree> tree(new MeshTree());
    tree->build(vertexCount, vertices, triangleCount, triangles);
    body->meshTree = tree.release();
    const Vector3 h = body->meshTree->bounds.halfExtents();

    body->mass = mass;
    body->shapeType = SHAPE_TRIANGLE_MESH;
    if (dynamic) {
        // A solid box the size of the mesh's bounds.
        body->inverseMass = 1.0f / mass;
        const float sx = float(2.0 * h.x), sy = float(2.0 * h.y), sz = float(2.0 * h.z);
        const double x2 = double(sx) * sx, y2 = double(sy) * sy, z2 = double(sz) * sz;
        body->inertia = Matrix3::identity();
        body->inertia[0][0] = float(mass / 12.0 * (y2 + z2));
        body->inertia[1][1] = float(mass / 12.0 * (x2 + z2));
        body->inertia[2][2] = float(mass / 12.0 * (x2 + y2));
        body->inverseInertia = Matrix3::inverse(body->inertia);
    } else {
        body->inverseMass = 0.0f;
        body->inertia = Matrix3::zero();
        body->inverseInertia = Matrix3::zero();
    }
}

}  // namespace rigidbody
}  // namespace physics
