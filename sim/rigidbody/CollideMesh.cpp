// Pairs with a triangle mesh: the table entries and the walks of the mesh tree.
#include "sim/rigidbody/CollideMesh.h"

#include "sim/maths/Matrix4.h"
#include "sim/rigidbody/Collide.h"
#include "sim/rigidbody/FullMeshWalks.h"
#include "sim/rigidbody/MeshPairSearch.h"
#include "sim/rigidbody/MeshToWorld.h"
#include "sim/rigidbody/NodeTests.h"
#include "sim/rigidbody/SearchContext.h"
#include "sim/rigidbody/TriangleContacts.h"

namespace physics {
namespace rigidbody {

namespace {

// The mesh body's tree, if it has one with a root.
const MeshTree* treeOf(const RigidBody* mesh)
{
    const MeshTree* tree = static_cast<const TriangleMeshBody*>(mesh)->meshTree;
    return tree && tree->root ? tree : nullptr;
}

}  // namespace

void collideBoxTriMesh(RigidBody* box, RigidBody* mesh, ContactList* contacts)
{
    SearchContext context;
    collideBoxTriMesh(box, mesh, contacts, context);
}

void collideSphereTriMesh(RigidBody* sphere, RigidBody* mesh, ContactList* contacts)
{
    collideTriMeshSphere(mesh, sphere, contacts);
}

void collideTriMeshBox(RigidBody* mesh, RigidBody* box, ContactList* contacts) { collideBoxTriMesh(box, mesh, contacts); }

void collideTriMeshSphere(RigidBody* mesh, RigidBody* sphere, ContactList* contacts)
{
    SearchContext context;
    collideTriMeshSphere(mesh, sphere, contacts, context);
}

void collideTriMeshTriMesh(RigidBody* a, RigidBody* b, ContactList* contacts)
{
    SearchContext context;
    collideTriMeshTriMesh(a, b, contacts, context);
}

void collideTriMeshPlane(RigidBody* mesh, RigidBody* plane, ContactList* contacts)
{
    SearchContext context;
    collideTriMeshPlane(mesh, plane, contacts, context);
}

void collidePlaneTriMesh(RigidBody* plane, RigidBody* mesh, ContactList* contacts)
{
    collideTriMeshPlane(mesh, plane, contacts);
}

void collideBoxTriMesh(RigidBody* boxBody, RigidBody* mesh, ContactList* contacts, SearchContext& context)
{
    const MeshTree* tree = treeOf(mesh);
    if (!tree) return;
    const auto* box = static_cast<const BoxBody*>(boxBody);
    const OrientedBox shape{box->position,
                            {column(box->rotation, 0), column(box->rotation, 1), column(box->rotation, 2)},
                            box->halfExtents};
    collideTreeBox(*tree, mesh->rotation, mesh->position, mesh, shape, boxBody, contacts, context);
}

void collideTriMeshSphere(RigidBody* mesh, RigidBody* sphereBody, ContactList* contacts, SearchContext& context)
{
    const MeshTree* tree = treeOf(mesh);
    if (!tree) return;
    const auto* sphere = static_cast<const SphereBody*>(sphereBody);
    collideTreeSphere(*tree, mesh->rotation, mesh->position, mesh, Sphere{sphere->position, sphere->radius},
                      sphereBody, contacts, context);
}

void collideTriMeshTriMesh(RigidBody* a, RigidBody* b, ContactList* contacts, SearchContext& context)
{
    const MeshTree* first = treeOf(a);
    const MeshTree* second = treeOf(b);
    if (!first || !second) return;
    // A body against itself would share one cache on both sides.
    if (a == b) {
        full::collideTreeTree(first, a->rotation, a->position, a, second, b->rotation, b->position, b, contacts);
        return;
    }
    collideTreeTree(*first, a->rotation, a->position, a, *second, b->rotation, b->position, b, contacts, context);
}

void collideTriMeshTriMeshByNodePairs(RigidBody* a, RigidBody* b, ContactList* contacts, SearchContext& context)
{
    const MeshTree* first = treeOf(a);
    const MeshTree* second = treeOf(b);
    if (!first || !second) return;
    if (a == b) {
        full::collideTreeTree(first, a->rotation, a->position, a, second, b->rotation, b->position, b, contacts);
        return;
    }
    const MeshInWorld pm(*first, context.meshCache(a, *first), a->rotation, a->position, a);
    const MeshInWorld qm(*second, context.meshCache(b, *second), b->rotation, b->position, b);
    walkMeshPairByNodes(pm, qm, contacts, context.points(contacts), context.meshPairScratch());
}

void collideTriMeshPlane(RigidBody* mesh, RigidBody* planeBody, ContactList* contacts, SearchContext& context)
{
    const MeshTree* tree = treeOf(mesh);
    if (!tree) return;
    collideTreePlane(*tree, mesh->rotation, mesh->position, mesh, static_cast<const PlaneBody*>(planeBody)->plane,
                     planeBody, contacts, context);
}

namespace {

void boxWalk(const MeshTreeNode* node, const MeshInWorld& mesh, const OrientedBox& box, RigidBody* boxBody,
             ContactList* contacts)
{
    if (sphereMissesBox(mesh.nodeBounds(node), box)) return;
    if (node->left) {
        boxWalk(node->left, mesh, box, boxBody, contacts);
        boxWalk(node->right, mesh, box, boxBody, contacts);
        return;
    }
    const std::uint32_t first = mesh.tree()->nodeSummaries[node->index].firstTriangle;
    for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
        Vector3 triangle[3];
        mesh.triangle(first + i, triangle);
        if (triangleMissesBox(triangle, box)) continue;
        collideTriangleBox(triangle, box, mesh.body(), boxBody, contacts);
    }
}

}  // namespace

void collideTreeBox(const MeshTree& tree, const Matrix3& rotation, const Vector3& position, RigidBody* meshBody,
                    const OrientedBox& box, RigidBody* boxBody, ContactList* contacts, SearchContext& context)
{
    boxWalk(tree.root, MeshInWorld(tree, context.meshCache(meshBody, tree), rotation, position, meshBody), box,
            boxBody, contacts);
}

namespace {

// The sphere and plane walks: the mesh transform and axes are formed once for
// the whole walk rather than at every node, each node test is answered from
// exact geometry where that is clear (NodeTests.h), and the tree's triangle
// summaries let single triangles be skipped; the same floats and the same
// answers as the full walks.
struct SphereWalk {
    const MeshTree& tree;
    Matrix4 transform;
    Vector3 axes[3];
    QuickBoxSphereTest quick;
    RigidBody* meshBody;
    const Sphere& sphere;
    RigidBody* sphereBody;
    ContactList* contacts;
    PointIndex* points;

    void walk(const MeshTreeNode* node) const
    {
        // The node's bounds turn with the mesh; formed only where the quick test leaves it open.
        const BoundingBox& b = node->bounds;
        const Answer answer = quick.intersectsNode(b);
        if (answer == Answer::NO) return;
        if (answer == Answer::UNCLEAR) {
            const OrientedBox nodeBox{Matrix4::transformAffine(transform, Vector3((b.max - b.min) * 0.5f + b.min)),
                                      {axes[0], axes[1], axes[2]},
                                      b.halfExtents()};
            if (!nodeBox.intersectsSphere(sphere)) return;
        }
        if (node->left) {
            walk(node->left);
            walk(node->right);
            return;
        }
        const std::uint32_t first = tree.nodeSummaries[node->index].firstTriangle;
        for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
            if (quick.triangleClear(tree.triangleSummaries[first + i].sphere)) continue;
            Vector3 triangle[3];
            worldTriangle(transform, tree.vertices, node, i, triangle);
            collideTriangleSphere(triangle, sphere, meshBody, sphereBody, contacts, points);
        }
    }
};

struct PlaneWalk {
    const MeshTree& tree;
    Matrix4 transform;
    QuickCornersPlaneTest quick;
    RigidBody* meshBody;
    const Plane& plane;
    RigidBody* planeBody;
    ContactList* contacts;
    PointIndex* points;

    void walk(const MeshTreeNode* node) const
    {
        const BoundingBox& b = node->bounds;
        const Answer answer = quick.anyCornerBehind(b);
        bool behind = answer == Answer::YES;  // some corner strictly behind the plane (or not a number)
        for (int corner = 0; corner < 8 && answer == Answer::UNCLEAR && !behind; ++corner) {
            const Vector3 local{(corner & 1) ? b.max.x : b.min.x, (corner & 2) ? b.max.y : b.min.y,
                                (corner & 4) ? b.max.z : b.min.z};
            behind = !(Plane::signedDistance(plane, Matrix4::transformAffine(transform, local)) >= 0.0f);
        }
        if (!behind) return;
        if (node->left) {
            walk(node->left);
            walk(node->right);
            return;
        }
        const std::uint32_t first = tree.nodeSummaries[node->index].firstTriangle;
        for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
            if (quick.triangleClear(tree.triangleSummaries[first + i].sphere)) continue;
            Vector3 triangle[3];
            worldTriangle(transform, tree.vertices, node, i, triangle);
            collideTrianglePlane(triangle, plane, meshBody, planeBody, contacts, points);
        }
    }
};

}  // namespace

void collideTreeSphere(const MeshTree& tree, const Matrix3& rotation, const Vector3& position, RigidBody* meshBody,
                       const Sphere& sphere, RigidBody* sphereBody, ContactList* contacts, SearchContext& context)
{
    const SphereWalk walk{tree,
                          meshTransform(rotation, position),
                          {column(rotation, 0), column(rotation, 1), column(rotation, 2)},
                          QuickBoxSphereTest(rotation, position, sphere),
                          meshBody,
                          sphere,
                          sphereBody,
                          contacts,
                          context.points(contacts)};
    walk.walk(tree.root);
}

void collideTreePlane(const MeshTree& tree, const Matrix3& rotation, const Vector3& position, RigidBody* meshBody,
                      const Plane& plane, RigidBody* planeBody, ContactList* contacts, SearchContext& context)
{
    const Matrix4 transform = meshTransform(rotation, position);
    const PlaneWalk walk{tree,     transform, QuickCornersPlaneTest(transform, plane), meshBody, plane, planeBody,
                         contacts, context.points(contacts)};
    walk.walk(tree.root);
}

void collideTreeTree(const MeshTree& first, const Matrix3& firstRotation, const Vector3& firstPosition,
                     RigidBody* firstBody, const MeshTree& second, const Matrix3& secondRotation,
                     const Vector3& secondPosition, RigidBody* secondBody, ContactList* contacts,
                     SearchContext& context)
{
    const MeshInWorld pm(first, context.meshCache(firstBody, first), firstRotation, firstPosition, firstBody);
    const MeshInWorld qm(second, context.meshCache(secondBody, second), secondRotation, secondPosition, secondBody);
    collideMeshPair(pm, qm, contacts, context.points(contacts), context.meshPairScratch());
}

}  // namespace rigidbody
}  // namespace physics
