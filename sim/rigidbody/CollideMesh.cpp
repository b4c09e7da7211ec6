// Pairs with a triangle mesh: the table entries and the walks of the mesh tree.
#include "sim/rigidbody/CollideMesh.h"

#include <cmath>

#include "sim/maths/Matrix4.h"
#include "sim/rigidbody/BroadPhase.h"
#include "sim/rigidbody/Collide.h"
#include "sim/rigidbody/FullMeshWalks.h"
#include "sim/rigidbody/MeshPairSearch.h"
#include "sim/rigidbody/MeshToWorld.h"
#include "sim/rigidbody/NodeTests.h"
#include "sim/rigidbody/TriangleContacts.h"

namespace physics {
namespace rigidbody {

namespace {

const MeshTree* treeOf(const RigidBody* mesh) { return static_cast<const TriangleMeshBody*>(mesh)->meshTree; }

// The summaries of a leaf's triangles, if the tree is at hand and the leaf has any.
const TriangleSummary* summariesOf(const MeshTree* tree, const MeshTreeNode* leaf)
{
    if (!tree || leaf->triangleCount == 0) return nullptr;
    return tree->triangleSummaries.data() + tree->nodeSummaries[leaf->index].firstTriangle;
}

MeshWalk currentWalk = MeshWalk::CULLED;

// The sphere and plane walks of the table entries; with the tree at hand they
// can skip single triangles too.
void sphereWalk(const MeshTreeNode* node, const float* vertices, const MeshTree* tree, const Matrix3& rotation,
                const Vector3& position, RigidBody* meshBody, const Sphere& sphere, RigidBody* sphereBody,
                ContactList* contacts);
void planeWalk(const MeshTreeNode* node, const float* vertices, const MeshTree* tree, const Matrix3& rotation,
               const Vector3& position, RigidBody* meshBody, const Plane& plane, RigidBody* planeBody,
               ContactList* contacts);

}  // namespace

void setMeshWalk(MeshWalk walk) { currentWalk = walk; }
MeshWalk meshWalk() { return currentWalk; }

void collideBoxTriMesh(RigidBody* boxBody, RigidBody* mesh, ContactList* contacts)
{
    const MeshTree* tree = treeOf(mesh);
    if (!tree || !tree->root) return;
    const auto* box = static_cast<const BoxBody*>(boxBody);
    const OrientedBox shape{box->position,
                            {column(box->rotation, 0), column(box->rotation, 1), column(box->rotation, 2)},
                            box->halfExtents};
    if (currentWalk == MeshWalk::FULL) {
        full::collideTreeBox(tree->root, tree->vertices, mesh->rotation, mesh->position, mesh, shape, boxBody,
                             contacts);
        return;
    }
    collideTreeBox(tree->root, MeshInWorld(tree, mesh->rotation, mesh->position, mesh), shape, boxBody, contacts);
}

void collideSphereTriMesh(RigidBody* sphere, RigidBody* mesh, ContactList* contacts)
{
    collideTriMeshSphere(mesh, sphere, contacts);
}

void collideTriMeshBox(RigidBody* mesh, RigidBody* box, ContactList* contacts) { collideBoxTriMesh(box, mesh, contacts); }

void collideTriMeshSphere(RigidBody* mesh, RigidBody* sphereBody, ContactList* contacts)
{
    const MeshTree* tree = treeOf(mesh);
    if (!tree || !tree->root) return;
    const auto* sphere = static_cast<const SphereBody*>(sphereBody);
    const Sphere shape{sphere->position, sphere->radius};
    if (currentWalk == MeshWalk::FULL)
        full::collideTreeSphere(tree->root, tree->vertices, mesh->rotation, mesh->position, mesh, shape, sphereBody,
                                contacts);
    else  // the tree's triangle summaries let whole triangles be skipped
        sphereWalk(tree->root, tree->vertices, tree, mesh->rotation, mesh->position, mesh, shape, sphereBody,
                   contacts);
}

void collideTriMeshTriMesh(RigidBody* a, RigidBody* b, ContactList* contacts)
{
    collideTreeTree(treeOf(a), a->rotation, a->position, a, treeOf(b), b->rotation, b->position, b, contacts);
}

void collideTriMeshPlane(RigidBody* mesh, RigidBody* planeBody, ContactList* contacts)
{
    const MeshTree* tree = treeOf(mesh);
    if (!tree || !tree->root) return;
    const Plane& plane = static_cast<const PlaneBody*>(planeBody)->plane;
    if (currentWalk == MeshWalk::FULL)
        full::collideTreePlane(tree->root, tree->vertices, mesh->rotation, mesh->position, mesh, plane, planeBody,
                               contacts);
    else  // the tree's triangle summaries let whole triangles be skipped
        planeWalk(tree->root, tree->vertices, tree, mesh->rotation, mesh->position, mesh, plane, planeBody, contacts);
}

void collidePlaneTriMesh(RigidBody* plane, RigidBody* mesh, ContactList* contacts)
{
    collideTriMeshPlane(mesh, plane, contacts);
}

void collideTreeBox(const MeshTreeNode* node, const MeshInWorld& mesh, const OrientedBox& box, RigidBody* boxBody,
                    ContactList* contacts)
{
    if (sphereMissesBox(mesh.nodeBounds(node), box)) return;
    if (node->left) {
        collideTreeBox(node->left, mesh, box, boxBody, contacts);
        collideTreeBox(node->right, mesh, box, boxBody, contacts);
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

namespace {

// The sphere and plane walks below: the mesh transform and axes are formed once
// for the whole walk rather than at every node, and each node test is answered
// from exact geometry where that is clear (NodeTests.h); the same floats and the
// same answers either way.
void sphereWalk(const MeshTreeNode* node, const float* vertices, const MeshTree* tree, const Matrix4& transform,
                const Vector3 (&axes)[3], const QuickBoxSphereTest& quick, RigidBody* meshBody, const Sphere& sphere,
                RigidBody* sphereBody, ContactList* contacts)
{
    // The node's bounds turn with the mesh; formed only where the quick test leaves it open.
    const BoundingBox& b = node->bounds;
    if (contactSearch() == ContactSearch::FULL) {  // as before, each node box formed
        const OrientedBox nodeBox{Matrix4::transformAffine(transform, Vector3((b.max - b.min) * 0.5f + b.min)),
                                  {axes[0], axes[1], axes[2]},
                                  b.halfExtents()};
        const Answer answer = quick.intersects(nodeBox.centre, nodeBox.halfExtents);
        if (answer == Answer::NO || (answer == Answer::UNCLEAR && !nodeBox.intersectsSphere(sphere))) return;
    } else {
        const Answer answer = quick.intersectsNode(b);
        if (answer == Answer::NO) return;
        if (answer == Answer::UNCLEAR) {
            const OrientedBox nodeBox{Matrix4::transformAffine(transform, Vector3((b.max - b.min) * 0.5f + b.min)),
                                      {axes[0], axes[1], axes[2]},
                                      b.halfExtents()};
            if (!nodeBox.intersectsSphere(sphere)) return;
        }
    }

    if (node->left) {
        sphereWalk(node->left, vertices, tree, transform, axes, quick, meshBody, sphere, sphereBody, contacts);
        sphereWalk(node->right, vertices, tree, transform, axes, quick, meshBody, sphere, sphereBody, contacts);
        return;
    }
    const TriangleSummary* summaries = summariesOf(tree, node);
    for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
        if (summaries && quick.triangleClear(summaries[i].sphere)) continue;
        Vector3 triangle[3];
        worldTriangle(transform, vertices, node, i, triangle);
        collideTriangleSphere(triangle, sphere, meshBody, sphereBody, contacts);
    }
}

void planeWalk(const MeshTreeNode* node, const float* vertices, const MeshTree* tree, const Matrix4& transform,
               const QuickCornersPlaneTest& quick, RigidBody* meshBody, const Plane& plane, RigidBody* planeBody,
               ContactList* contacts)
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
        planeWalk(node->left, vertices, tree, transform, quick, meshBody, plane, planeBody, contacts);
        planeWalk(node->right, vertices, tree, transform, quick, meshBody, plane, planeBody, contacts);
        return;
    }
    const TriangleSummary* summaries = summariesOf(tree, node);
    for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
        if (summaries && quick.triangleClear(summaries[i].sphere)) continue;
        Vector3 triangle[3];
        worldTriangle(transform, vertices, node, i, triangle);
        collideTrianglePlane(triangle, plane, meshBody, planeBody, contacts);
    }
}

}  // namespace

namespace {

void sphereWalk(const MeshTreeNode* node, const float* vertices, const MeshTree* tree, const Matrix3& rotation,
                const Vector3& position, RigidBody* meshBody, const Sphere& sphere, RigidBody* sphereBody,
                ContactList* contacts)
{
    const Vector3 axes[3] = {column(rotation, 0), column(rotation, 1), column(rotation, 2)};
    sphereWalk(node, vertices, tree, meshTransform(rotation, position), axes,
               QuickBoxSphereTest(rotation, position, sphere), meshBody, sphere, sphereBody, contacts);
}

void planeWalk(const MeshTreeNode* node, const float* vertices, const MeshTree* tree, const Matrix3& rotation,
               const Vector3& position, RigidBody* meshBody, const Plane& plane, RigidBody* planeBody,
               ContactList* contacts)
{
    const Matrix4 transform = meshTransform(rotation, position);
    planeWalk(node, vertices, tree, transform, QuickCornersPlaneTest(transform, plane), meshBody, plane, planeBody,
              contacts);
}

}  // namespace

void collideTreeSphere(const MeshTreeNode* node, const float* vertices, const Matrix3& rotation,
                       const Vector3& position, RigidBody* meshBody, const Sphere& sphere, RigidBody* sphereBody,
                       ContactList* contacts)
{
    sphereWalk(node, vertices, nullptr, rotation, position, meshBody, sphere, sphereBody, contacts);
}

void collideTreePlane(const MeshTreeNode* node, const float* vertices, const Matrix3& rotation,
                      const Vector3& position, RigidBody* meshBody, const Plane& plane, RigidBody* planeBody,
                      ContactList* contacts)
{
    planeWalk(node, vertices, nullptr, rotation, position, meshBody, plane, planeBody, contacts);
}

void collideTreeTree(const MeshTree* first, const Matrix3& firstRotation, const Vector3& firstPosition,
                     RigidBody* firstBody, const MeshTree* second, const Matrix3& secondRotation,
                     const Vector3& secondPosition, RigidBody* secondBody, ContactList* contacts)
{
    // One tree on both sides would share one cache of world positions.
    if (currentWalk == MeshWalk::FULL || first == second) {
        full::collideTreeTree(first, firstRotation, firstPosition, firstBody, second, secondRotation, secondPosition,
                              secondBody, contacts);
        return;
    }
    if (!first || !first->root || !second || !second->root) return;
    const MeshInWorld pm(first, firstRotation, firstPosition, firstBody);
    const MeshInWorld qm(second, secondRotation, secondPosition, secondBody);
    MeshPairWalk walk(pm, qm, contacts);
    if (currentWalk == MeshWalk::CULLED && searchMeshPair(pm, qm, walk, contacts)) return;
    const MeshTreeNode* p = first->root;
    const MeshTreeNode* q = second->root;
    if (p->left && q->left)
        walkNodeNode(walk, p, pm, q, qm);
    else if (p->left)
        walkNodeLeaf(walk, p, pm, q, qm);
    else if (q->left)  // the inner node goes first
        walkNodeLeaf(walk, q, qm, p, pm);
    else
        collideLeafLeaf(walk, p, pm, q, qm);
}

MeshPairWalk::MeshPairWalk(const MeshInWorld& first, const MeshInWorld& second, ContactList* contacts)
    : contacts_(contacts)
{
    // The search looks up the triangles of one mesh among the normals of the other:
    // the fewer lookups the better.
    const bool firstListed = first.tree()->triangleCount >= second.tree()->triangleCount;
    listed_ = firstListed ? &first : &second;
    other_ = firstListed ? &second : &first;
}

bool MeshPairWalk::apart(const WorldBounds& a, const MeshInWorld& am, std::uint32_t aStart, std::uint32_t aCount,
                         const WorldBounds& b, const MeshInWorld& bm, std::uint32_t bStart, std::uint32_t bCount)
{
    if (groupsApart(a, b)) return true;
    // The reach at the search angle is the least the search can grant: short of
    // it there is no need to search. Boxes are looked at when spheres fall short.
    static const double sinSearch = std::sin(NearParallelPairs::SEARCH_ANGLE);
    const double least = triangleReach(a, b, sinSearch);
    double gap = sphereGap(a, b);
    bool boxes = false;
    if (!(gap > least)) {
        gap = widerGap(gap, a, b);
        boxes = true;
        if (!(gap > least)) return false;
    }
    if (!nearParallel_.searched()) {
        // Meshes apart as wholes need only the angle that puts them beyond reach
        // (with room to spare): the narrower the search, the fewer pairs it lists.
        const bool wholeMeshes = aCount == std::uint32_t(am.tree()->triangleCount) &&
                                 bCount == std::uint32_t(bm.tree()->triangleCount);
        const double sinNeeded = 2 * triangleReach(a, b, 1.0) / gap;
        const double angle = wholeMeshes && sinNeeded < std::sin(NearParallelPairs::SEARCH_ANGLE)
                                 ? std::max(std::asin(sinNeeded), 1e-3)
                                 : NearParallelPairs::SEARCH_ANGLE;
        nearParallel_.search(*listed_, *other_, angle);
    }
    const double reach = triangleReach(a, b, std::sin(nearParallel_.leastAngle(a, b)));
    if (!(gap > reach) && !boxes) gap = widerGap(gap, a, b);
    if (!(gap > reach)) return false;
    return &am == listed_ ? !nearParallel_.anyIn(aStart, aCount, bStart, bCount)
                          : !nearParallel_.anyIn(bStart, bCount, aStart, aCount);
}

bool MeshPairWalk::triangleApart(const MeshInWorld& tm, std::uint32_t t, const MeshTreeNode* node,
                                 const MeshInWorld& nm)
{
    return apart(tm.worldTriangle(t).bounds, tm, t, 1, nm.nodeBounds(node), nm,
                 nm.tree()->nodeSummaries[node->index].firstTriangle, node->triangleCount);
}

bool MeshPairWalk::apart(const MeshTreeNode* p, const MeshInWorld& pm, const MeshTreeNode* q, const MeshInWorld& qm)
{
    return apart(pm.nodeBounds(p), pm, pm.tree()->nodeSummaries[p->index].firstTriangle, p->triangleCount,
                 qm.nodeBounds(q), qm, qm.tree()->nodeSummaries[q->index].firstTriangle, q->triangleCount);
}

TriangleMask MeshPairWalk::meeting(const MeshTreeNode* leaf, const MeshInWorld& leafMesh, TriangleMask mask,
                                   const MeshTreeNode* node, const MeshInWorld& nodeMesh)
{
    const std::uint32_t leafStart = leafMesh.tree()->nodeSummaries[leaf->index].firstTriangle;
    for (std::uint32_t i = 0; i < leaf->triangleCount && i < 32; ++i)
        if ((mask >> i & 1u) && triangleApart(leafMesh, leafStart + i, node, nodeMesh)) mask &= ~(TriangleMask(1) << i);
    return mask;
}

namespace {

// Whether no triangle of the leaf is left in mask.
bool noneLeft(const MeshTreeNode* leaf, TriangleMask mask)
{
    if (leaf->triangleCount > 32) return false;
    const TriangleMask used = leaf->triangleCount == 32 ? ALL_TRIANGLES : (TriangleMask(1) << leaf->triangleCount) - 1;
    return (mask & used) == 0;
}

}  // namespace

void walkNodeNode(MeshPairWalk& walk, const MeshTreeNode* p, const MeshInWorld& pm, const MeshTreeNode* q,
                  const MeshInWorld& qm)
{
    if (walk.apart(p, pm, q, qm)) return;
    const MeshTreeNode* const pairs[4][2] = {{p->left, q->left}, {p->left, q->right}, {p->right, q->left},
                                             {p->right, q->right}};
    for (const auto& pair : pairs) {
        const MeshTreeNode* c = pair[0];
        const MeshTreeNode* d = pair[1];
        if (c->left && d->left)
            walkNodeNode(walk, c, pm, d, qm);
        else if (c->left)
            walkNodeLeaf(walk, c, pm, d, qm);
        else if (d->left)  // the inner node goes first
            walkNodeLeaf(walk, d, qm, c, pm);
        else
            collideLeafLeaf(walk, c, pm, d, qm);
    }
}

void walkNodeLeaf(MeshPairWalk& walk, const MeshTreeNode* node, const MeshInWorld& nodeMesh, const MeshTreeNode* leaf,
                  const MeshInWorld& leafMesh, TriangleMask leafMask)
{
    if (walk.apart(node, nodeMesh, leaf, leafMesh)) return;
    // The leaf's triangles apart from this whole node are apart from its children.
    leafMask = walk.meeting(leaf, leafMesh, leafMask, node, nodeMesh);
    if (noneLeft(leaf, leafMask)) return;
    for (const MeshTreeNode* child : {node->left, node->right}) {
        if (child->left)
            walkNodeLeaf(walk, child, nodeMesh, leaf, leafMesh, leafMask);
        else
            collideLeafLeaf(walk, child, nodeMesh, leaf, leafMesh, leafMask);
    }
}

void collideLeafLeaf(MeshPairWalk& walk, const MeshTreeNode* f, const MeshInWorld& fm, const MeshTreeNode* s,
                     const MeshInWorld& sm, TriangleMask sMask)
{
    if (walk.apart(f, fm, s, sm)) return;
    sMask = walk.meeting(s, sm, sMask, f, fm);
    if (noneLeft(s, sMask)) return;
    const TriangleMask fMask = walk.meeting(f, fm, ALL_TRIANGLES, s, sm);
    const std::uint32_t fStart = fm.tree()->nodeSummaries[f->index].firstTriangle;
    const std::uint32_t sStart = sm.tree()->nodeSummaries[s->index].firstTriangle;
    for (std::uint32_t i = 0; i < f->triangleCount; ++i) {
        if (i < 32 && !(fMask >> i & 1u)) continue;
        const WorldTriangle& a = fm.worldTriangle(fStart + i);
        for (std::uint32_t j = 0; j < s->triangleCount; ++j) {
            if (j < 32 && !(sMask >> j & 1u)) continue;
            const WorldTriangle& b = sm.worldTriangle(sStart + j);
            if (trianglesApart(a.bounds, b.bounds)) continue;
            collideTriangleTriangle(a.p, b.p, fm.body(), sm.body(), walk.contacts());
        }
    }
}

}  // namespace rigidbody
}  // namespace physics
