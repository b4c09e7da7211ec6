#include "sim/rigidbody/FullMeshWalks.h"

#include "sim/maths/Matrix4.h"
#include "sim/rigidbody/Collide.h"
#include "sim/rigidbody/MeshToWorld.h"
#include "sim/rigidbody/TriangleContacts.h"

namespace physics {
namespace rigidbody {
namespace full {

namespace {

const MeshTree* treeOf(const RigidBody* mesh) { return static_cast<const TriangleMeshBody*>(mesh)->meshTree; }

}  // namespace

void collideBoxTriMesh(RigidBody* boxBody, RigidBody* mesh, ContactList* contacts)
{
    const MeshTree* tree = treeOf(mesh);
    if (!tree || !tree->root) return;
    const auto* box = static_cast<const BoxBody*>(boxBody);
    const OrientedBox shape{box->position,
                            {column(box->rotation, 0), column(box->rotation, 1), column(box->rotation, 2)},
                            box->halfExtents};
    full::collideTreeBox(tree->root, tree->vertices, mesh->rotation, mesh->position, mesh, shape, boxBody, contacts);
}

void collideTriMeshSphere(RigidBody* mesh, RigidBody* sphereBody, ContactList* contacts)
{
    const MeshTree* tree = treeOf(mesh);
    if (!tree || !tree->root) return;
    const auto* sphere = static_cast<const SphereBody*>(sphereBody);
    full::collideTreeSphere(tree->root, tree->vertices, mesh->rotation, mesh->position, mesh,
                      Sphere{sphere->position, sphere->radius}, sphereBody, contacts);
}

void collideTriMeshTriMesh(RigidBody* a, RigidBody* b, ContactList* contacts)
{
    full::collideTreeTree(treeOf(a), a->rotation, a->position, a, treeOf(b), b->rotation, b->position, b, contacts);
}

void collideTriMeshPlane(RigidBody* mesh, RigidBody* planeBody, ContactList* contacts)
{
    const MeshTree* tree = treeOf(mesh);
    if (!tree || !tree->root) return;
    full::collideTreePlane(tree->root, tree->vertices, mesh->rotation, mesh->position, mesh,
                     static_cast<const PlaneBody*>(planeBody)->plane, planeBody, contacts);
}

void collideTreeBox(const MeshTreeNode* node, const float* vertices, const Matrix3& rotation, const Vector3& position,
                    RigidBody* meshBody, const OrientedBox& box, RigidBody* boxBody, ContactList* contacts)
{
    if (node->left) {
        collideTreeBox(node->left, vertices, rotation, position, meshBody, box, boxBody, contacts);
        collideTreeBox(node->right, vertices, rotation, position, meshBody, box, boxBody, contacts);
        return;
    }
    const Matrix4 transform = meshTransform(rotation, position);
    for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
        Vector3 triangle[3];
        worldTriangle(transform, vertices, node, i, triangle);
        collideTriangleBox(triangle, box, meshBody, boxBody, contacts);
    }
}

void collideTreeSphere(const MeshTreeNode* node, const float* vertices, const Matrix3& rotation,
                       const Vector3& position, RigidBody* meshBody, const Sphere& sphere, RigidBody* sphereBody,
                       ContactList* contacts)
{
    // The node's bounds turn with the mesh.
    const Matrix4 transform = meshTransform(rotation, position);
    const BoundingBox& b = node->bounds;
    const OrientedBox nodeBox{Matrix4::transformAffine(transform, Vector3((b.max - b.min) * 0.5f + b.min)),
                              {column(rotation, 0), column(rotation, 1), column(rotation, 2)},
                              b.halfExtents()};
    if (!nodeBox.intersectsSphere(sphere)) return;

    if (node->left) {
        collideTreeSphere(node->left, vertices, rotation, position, meshBody, sphere, sphereBody, contacts);
        collideTreeSphere(node->right, vertices, rotation, position, meshBody, sphere, sphereBody, contacts);
        return;
    }
    for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
        Vector3 triangle[3];
        worldTriangle(transform, vertices, node, i, triangle);
        collideTriangleSphere(triangle, sphere, meshBody, sphereBody, contacts);
    }
}

void collideTreePlane(const MeshTreeNode* node, const float* vertices, const Matrix3& rotation,
                      const Vector3& position, RigidBody* meshBody, const Plane& plane, RigidBody* planeBody,
                      ContactList* contacts)
{
    const Matrix4 transform = meshTransform(rotation, position);
    const BoundingBox& b = node->bounds;
    bool behind = false;  // some corner strictly behind the plane (or not a number)
    for (int corner = 0; corner < 8 && !behind; ++corner) {
        const Vector3 local{(corner & 1) ? b.max.x : b.min.x, (corner & 2) ? b.max.y : b.min.y,
                            (corner & 4) ? b.max.z : b.min.z};
        behind = !(Plane::signedDistance(plane, Matrix4::transformAffine(transform, local)) >= 0.0f);
    }
    if (!behind) return;

    if (node->left) {
        collideTreePlane(node->left, vertices, rotation, position, meshBody, plane, planeBody, contacts);
        collideTreePlane(node->right, vertices, rotation, position, meshBody, plane, planeBody, contacts);
        return;
    }
    for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
        Vector3 triangle[3];
        worldTriangle(transform, vertices, node, i, triangle);
        collideTrianglePlane(triangle, plane, meshBody, planeBody, contacts);
    }
}

namespace {

// The walk of node pairs: both nodes inner, an inner node against a leaf (the
// inner one first), two leaves (the first leaf's triangles in the outer loop).
void walkNodeNode(const MeshTreeNode* p, const float* pVertices, const Matrix3& pRotation, const Vector3& pPosition,
                  RigidBody* pBody, const MeshTreeNode* q, const float* qVertices, const Matrix3& qRotation,
                  const Vector3& qPosition, RigidBody* qBody, ContactList* contacts);
void walkNodeLeaf(const MeshTreeNode* node, const float* nodeVertices, const Matrix3& nodeRotation,
                  const Vector3& nodePosition, RigidBody* nodeBody, const MeshTreeNode* leaf,
                  const float* leafVertices, const Matrix3& leafRotation, const Vector3& leafPosition,
                  RigidBody* leafBody, ContactList* contacts);
void collideLeafLeaf(const MeshTreeNode* f, const float* fVertices, const Matrix3& fRotation, const Vector3& fPosition,
                     RigidBody* fBody, const MeshTreeNode* s, const float* sVertices, const Matrix3& sRotation,
                     const Vector3& sPosition, RigidBody* sBody, ContactList* contacts);

}  // namespace

void collideTreeTree(const MeshTree* first, const Matrix3& firstRotation, const Vector3& firstPosition,
                     RigidBody* firstBody, const MeshTree* second, const Matrix3& secondRotation,
                     const Vector3& secondPosition, RigidBody* secondBody, ContactList* contacts)
{
    if (!first || !first->root || !second || !second->root) return;
    const MeshTreeNode* p = first->root;
    const MeshTreeNode* q = second->root;
    const float* pv = first->vertices;
    const float* qv = second->vertices;
    if (p->left && q->left)
        walkNodeNode(p, pv, firstRotation, firstPosition, firstBody, q, qv, secondRotation, secondPosition,
                     secondBody, contacts);
    else if (p->left)
        walkNodeLeaf(p, pv, firstRotation, firstPosition, firstBody, q, qv, secondRotation, secondPosition,
                     secondBody, contacts);
    else if (q->left)  // the inner node goes first
        walkNodeLeaf(q, qv, secondRotation, secondPosition, secondBody, p, pv, firstRotation, firstPosition,
                     firstBody, contacts);
    else
        collideLeafLeaf(p, pv, firstRotation, firstPosition, firstBody, q, qv, secondRotation, secondPosition,
                        secondBody, contacts);
}

namespace {

void walkNodeNode(const MeshTreeNode* p, const float* pVertices, const Matrix3& pRotation, const Vector3& pPosition,
                  RigidBody* pBody, const MeshTreeNode* q, const float* qVertices, const Matrix3& qRotation,
                  const Vector3& qPosition, RigidBody* qBody, ContactList* contacts)
{
    const MeshTreeNode* const pairs[4][2] = {{p->left, q->left}, {p->left, q->right}, {p->right, q->left},
                                             {p->right, q->right}};
    for (const auto& pair : pairs) {
        const MeshTreeNode* c = pair[0];
        const MeshTreeNode* d = pair[1];
        if (c->left && d->left)
            walkNodeNode(c, pVertices, pRotation, pPosition, pBody, d, qVertices, qRotation, qPosition, qBody,
                         contacts);
        else if (c->left)
            walkNodeLeaf(c, pVertices, pRotation, pPosition, pBody, d, qVertices, qRotation, qPosition, qBody,
                         contacts);
        else if (d->left)  // the inner node goes first
            walkNodeLeaf(d, qVertices, qRotation, qPosition, qBody, c, pVertices, pRotation, pPosition, pBody,
                         contacts);
        else
            collideLeafLeaf(c, pVertices, pRotation, pPosition, pBody, d, qVertices, qRotation, qPosition, qBody,
                            contacts);
    }
}

void walkNodeLeaf(const MeshTreeNode* node, const float* nodeVertices, const Matrix3& nodeRotation,
                  const Vector3& nodePosition, RigidBody* nodeBody, const MeshTreeNode* leaf,
                  const float* leafVertices, const Matrix3& leafRotation, const Vector3& leafPosition,
                  RigidBody* leafBody, ContactList* contacts)
{
    for (const MeshTreeNode* child : {node->left, node->right}) {
        if (child->left)
            walkNodeLeaf(child, nodeVertices, nodeRotation, nodePosition, nodeBody, leaf, leafVertices, leafRotation,
                         leafPosition, leafBody, contacts);
        else
            collideLeafLeaf(child, nodeVertices, nodeRotation, nodePosition, nodeBody, leaf, leafVertices,
                            leafRotation, leafPosition, leafBody, contacts);
    }
}

void collideLeafLeaf(const MeshTreeNode* f, const float* fVertices, const Matrix3& fRotation, const Vector3& fPosition,
                     RigidBody* fBody, const MeshTreeNode* s, const float* sVertices, const Matrix3& sRotation,
                     const Vector3& sPosition, RigidBody* sBody, ContactList* contacts)
{
    const Matrix4 fTransform = meshTransform(fRotation, fPosition);
    const Matrix4 sTransform = meshTransform(sRotation, sPosition);

    // The second leaf's world triangles are the same for every triangle of the
    // first: carry them over once when they fit (leaves are small, except those
    // whose triangles could not be split).
    constexpr std::uint32_t CACHED = 16;
    Vector3 cache[CACHED][3];
    const bool cached = s->triangleCount <= CACHED;
    if (cached)
        for (std::uint32_t j = 0; j < s->triangleCount; ++j) worldTriangle(sTransform, sVertices, s, j, cache[j]);

    for (std::uint32_t i = 0; i < f->triangleCount; ++i) {
        Vector3 first[3];
        worldTriangle(fTransform, fVertices, f, i, first);
        for (std::uint32_t j = 0; j < s->triangleCount; ++j) {
            Vector3 second[3];
            if (!cached) worldTriangle(sTransform, sVertices, s, j, second);
            collideTriangleTriangle(first, cached ? cache[j] : second, fBody, sBody, contacts);
        }
    }
}

}  // namespace

}  // namespace full
}  // namespace rigidbody
}  // namespace physics
