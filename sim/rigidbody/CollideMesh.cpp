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

namespace {

// The search of two meshes, given them in world space.
using MeshPairWalker = void (*)(const MeshInWorld& first, const MeshInWorld& second, ContactList* contacts,
                                PointIndex* points, MeshPairScratch& scratch);

void walkTrees(const MeshTree& first, const Matrix3& firstRotation, const Vector3& firstPosition, RigidBody* firstBody,
               const MeshTree& second, const Matrix3& secondRotation, const Vector3& secondPosition,
               RigidBody* secondBody, ContactList* contacts, SearchContext& context, MeshPairWalker walker)
{
    // A body against itself would share one cache on both sides.
    if (firstBody == secondBody) {
        full::collideTreeTree(&first, firstRotation, firstPosition, firstBody, &second, secondRotation,
                              secondPosition, secondBody, contacts);
        return;
    }
    const MeshInWorld pm(first, context.meshCache(firstBody, first), firstRotation, firstPosition, firstBody);
    const MeshInWorld qm(second, context.meshCache(secondBody, second), secondRotation, secondPosition, secondBody);
    walker(pm, qm, contacts, context.points(contacts), context.meshPairScratch());
}

}  // namespace

void collideTriMeshTriMesh(RigidBody* a, RigidBody* b, ContactList* contacts, SearchContext& context)
{
    const MeshTree* first = treeOf(a);
    const MeshTree* second = treeOf(b);
    if (first && second)
        collideTreeTree(*first, a->rotation, a->position, a, *second, b->rotation, b->position, b, contacts, context);
}

void collideTriMeshTriMeshByNodePairs(RigidBody* a, RigidBody* b, ContactList* contacts, SearchContext& context)
{
    const MeshTree* first = treeOf(a);
    const MeshTree* second = treeOf(b);
    if (first && second)
        walkTrees(*first, a->rotation, a->position, a, *second, b->rotation, b->position, b, contacts, context,
                  walkMeshPairByNodes);
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

// The sphere and plane walks: depth first, left before right, through the
// nodes that enter() lets in, and at the leaves the triangles that keep() lets
// through (judged from their body-space summaries), in world space, to test().
// The mesh transform is formed once for the whole walk rather than at every
// node, and each node test is answered from exact geometry where that is clear
// (NodeTests.h); the same floats and the same answers as the full walks.
template <class Enter, class Keep, class Test>
void walkTree(const MeshTree& tree, const Matrix4& transform, const MeshTreeNode* node, const Enter& enter,
              const Keep& keep, const Test& test)
{
    if (!enter(node->bounds)) return;
    if (node->left) {
        walkTree(tree, transform, node->left, enter, keep, test);
        walkTree(tree, transform, node->right, enter, keep, test);
        return;
    }
    const std::uint32_t first = tree.nodeSummaries[node->index].firstTriangle;
    for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
        if (!keep(tree.triangleSummaries[first + i])) continue;
        Vector3 triangle[3];
        worldTriangle(transform, tree.vertices, node, i, triangle);
        test(triangle);
    }
}

}  // namespace

void collideTreeSphere(const MeshTree& tree, const Matrix3& rotation, const Vector3& position, RigidBody* meshBody,
                       const Sphere& sphere, RigidBody* sphereBody, ContactList* contacts, SearchContext& context)
{
    const Matrix4 transform = meshTransform(rotation, position);
    const QuickBoxSphereTest quick(rotation, position, sphere);
    PointIndex* points = context.points(contacts);
    // The node's bounds turn with the mesh; formed only where the quick test leaves it open.
    auto enter = [&](const BoundingBox& b) {
        const Answer answer = quick.intersectsNode(b);
        if (answer != Answer::UNCLEAR) return answer == Answer::YES;
        const OrientedBox nodeBox{Matrix4::transformAffine(transform, Vector3((b.max - b.min) * 0.5f + b.min)),
                                  {column(rotation, 0), column(rotation, 1), column(rotation, 2)},
                                  b.halfExtents()};
        return nodeBox.intersectsSphere(sphere);
    };
    walkTree(
        tree, transform, tree.root, enter, [&](const TriangleSummary& t) { return !quick.triangleClear(t.sphere); },
        [&](const Vector3* triangle) {
            collideTriangleSphere(triangle, sphere, meshBody, sphereBody, contacts, points);
        });
}

void collideTreePlane(const MeshTree& tree, const Matrix3& rotation, const Vector3& position, RigidBody* meshBody,
                      const Plane& plane, RigidBody* planeBody, ContactList* contacts, SearchContext& context)
{
    const Matrix4 transform = meshTransform(rotation, position);
    const QuickCornersPlaneTest quick(transform, plane);
    PointIndex* points = context.points(contacts);
    // Some corner strictly behind the plane (or not a number).
    auto enter = [&](const BoundingBox& b) {
        const Answer answer = quick.anyCornerBehind(b);
        if (answer != Answer::UNCLEAR) return answer == Answer::YES;
        for (int corner = 0; corner < 8; ++corner) {
            const Vector3 local{(corner & 1) ? b.max.x : b.min.x, (corner & 2) ? b.max.y : b.min.y,
                                (corner & 4) ? b.max.z : b.min.z};
            if (!(Plane::signedDistance(plane, Matrix4::transformAffine(transform, local)) >= 0.0f)) return true;
        }
        return false;
    };
    walkTree(
        tree, transform, tree.root, enter, [&](const TriangleSummary& t) { return !quick.triangleClear(t.sphere); },
        [&](const Vector3* triangle) {
            collideTrianglePlane(triangle, plane, meshBody, planeBody, contacts, points);
        });
}

void collideTreeTree(const MeshTree& first, const Matrix3& firstRotation, const Vector3& firstPosition,
                     RigidBody* firstBody, const MeshTree& second, const Matrix3& secondRotation,
                     const Vector3& secondPosition, RigidBody* secondBody, ContactList* contacts,
                     SearchContext& context)
{
    walkTrees(first, firstRotation, firstPosition, firstBody, second, secondRotation, secondPosition, secondBody,
              contacts, context, collideMeshPair);
}

}  // namespace rigidbody
}  // namespace physics
