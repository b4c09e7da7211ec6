#include "sim/rigidbody/RigidBody.h"

#include <cmath>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "sim/rigidbody/MeshTree.h"

namespace physics {
namespace rigidbody {

namespace {

const char* shapeName(std::int32_t shapeType)
{
    switch (shapeType) {
    case SHAPE_BOX: return "box";
    case SHAPE_SPHERE: return "sphere";
    case SHAPE_TRIANGLE_MESH: return "mesh";
    case SHAPE_PLANE: return "plane";
    default: return "body";
    }
}

[[noreturn]] void refuse(const char* shape, const std::string& what)
{
    throw std::invalid_argument(std::string(shape) + ": " + what);
}

std::string text(double value)
{
    std::ostringstream s;
    s << value;
    return s.str();
}

// A mass whose inverse or weight is not a float makes the body not a number
// from its first step.
void checkMass(const char* shape, float mass)
{
    if (!(mass > 0.0f) || !std::isfinite(mass))
        refuse(shape, "mass " + text(mass) + " is not a finite positive number");
    if (!std::isfinite(1.0f / mass) || !std::isfinite(float(mass * -9.81)))
        refuse(shape, "mass " + text(mass) + " has no float inverse or weight");
}

void checkReach(const char* shape, const std::string& what, float reach, double shown)
{
    if (!std::isfinite(reach)) refuse(shape, what + " " + text(shown) + " is not finite");
    if (reach < 0.0f) refuse(shape, what + " " + text(shown) + " is negative");
    if (reach > MAX_BODY_REACH)
        refuse(shape, what + " " + text(shown) + " reaches beyond " + text(MAX_BODY_REACH) + " from the centre");
}

void checkInertia(const char* shape, const Matrix3& inertia)
{
    for (int a = 0; a < 3; ++a)
        if (!std::isfinite(inertia[a][a]))
            refuse(shape, "mass and size give an inertia of " + text(inertia[a][a]) + ", beyond the float range");
}

// The inertia of a solid box of the given edges, each element one double
// expression rounded once.
Matrix3 boxInertia(float mass, float sx, float sy, float sz)
{
    const double x2 = double(sx) * sx, y2 = double(sy) * sy, z2 = double(sz) * sz;
    Matrix3 inertia = Matrix3::identity();
    inertia[0][0] = float(mass / 12.0 * (y2 + z2));
    inertia[1][1] = float(mass / 12.0 * (x2 + z2));
    inertia[2][2] = float(mass / 12.0 * (x2 + y2));
    return inertia;
}

// Every vertex the triangles use, in body coordinates.
void checkMeshVertices(const MeshTree& tree)
{
    for (std::size_t i = 0; i < 3 * std::size_t(tree.triangleCount); ++i) {
        const float* v = tree.vertices + 3 * std::size_t(tree.triangles[i]);
        for (int a = 0; a < 3; ++a)
            checkReach("mesh", "vertex " + std::to_string(tree.triangles[i]) + " at", std::fabs(v[a]), v[a]);
    }
}

}  // namespace

void initBox(BoxBody* body, float mass, float sizeX, float sizeY, float sizeZ)
{
    checkMass("box", mass);
    const float sizes[3] = {sizeX, sizeY, sizeZ};
    for (int a = 0; a < 3; ++a)
        checkReach("box", std::string("size ") + char('x' + a), float(sizes[a] * 0.5), sizes[a]);
    const Matrix3 inertia = boxInertia(mass, sizeX, sizeY, sizeZ);
    checkInertia("box", inertia);

    body->shapeType = SHAPE_BOX;
    body->mass = mass;
    body->inverseMass = 1.0f / mass;
    body->halfExtents = Vector3{float(sizeX * 0.5), float(sizeY * 0.5), float(sizeZ * 0.5)};
    body->inertia = inertia;
    body->inverseInertia = Matrix3::inverse(body->inertia);
}

void initSphere(SphereBody* body, float mass, float radius)
{
    checkMass("sphere", mass);
    checkReach("sphere", "radius", radius, radius);

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
    checkMass("mesh", mass);
    // Built before it is handed over, so that a refused mesh leaves the body untouched.
    std::unique_ptr<MeshTree> tree(new MeshTree());
    tree->build(vertexCount, vertices, triangleCount, triangles);
    checkMeshVertices(*tree);
    const Vector3 h = tree->bounds.halfExtents();
    // A solid box the size of the mesh's bounds.
    const Matrix3 inertia = boxInertia(mass, float(2.0 * h.x), float(2.0 * h.y), float(2.0 * h.z));
    if (dynamic) checkInertia("mesh", inertia);
    body->meshTree = tree.release();

    body->mass = mass;
    body->shapeType = SHAPE_TRIANGLE_MESH;
    if (dynamic) {
        body->inverseMass = 1.0f / mass;
        body->inertia = inertia;
        body->inverseInertia = Matrix3::inverse(body->inertia);
    } else {
        body->inverseMass = 0.0f;
        body->inertia = Matrix3::zero();
        body->inverseInertia = Matrix3::zero();
    }
}

void checkBody(const RigidBody* body)
{
    const char* shape = shapeName(body->shapeType);
    checkMass(shape, body->mass);
    if (!(body->inverseMass >= 0.0f) || !std::isfinite(body->inverseMass))
        refuse(shape, "inverse mass " + text(body->inverseMass) + " is negative or not finite");
    switch (body->shapeType) {
    case SHAPE_SPHERE: {
        const float r = static_cast<const SphereBody*>(body)->radius;
        checkReach(shape, "radius", r, r);
        break;
    }
    case SHAPE_BOX: {
        const Vector3& h = static_cast<const BoxBody*>(body)->halfExtents;
        for (int a = 0; a < 3; ++a) checkReach(shape, std::string("half extent ") + char('x' + a), h[a], h[a]);
        break;
    }
    case SHAPE_TRIANGLE_MESH: {
        const MeshTree* tree = static_cast<const TriangleMeshBody*>(body)->meshTree;
        if (!tree) refuse(shape, "no mesh tree");
        for (const Vector3& corner : {tree->bounds.min, tree->bounds.max})
            for (int a = 0; a < 3; ++a) checkReach(shape, "bound", std::fabs(corner[a]), corner[a]);
        break;
    }
    default:
        break;
    }
}

}  // namespace rigidbody
}  // namespace physics
