#pragma once
// Walks of a mesh's bounding-box tree behind the pair table's mesh entries. Each
// carries the triangles it reaches into world space (rotation and position of the
// node's mesh body) and hands them to a triangle test. The visiting order is depth
// first, left before right, triangles in index-list order: it fixes the order of
// the contacts, which the impulse pass and the duplicate-point check depend on.
//
// The box and mesh-mesh walks skip the nodes, triangles and triangle pairs whose
// tests could add no contact (MeshCulling.h says when that is certain); the sphere
// and plane walks answer their node tests quickly where the answer is certain
// (NodeTests.h). A mesh-mesh pair is first left to the pair search of
// MeshPairSearch.h, which finds its triangle pairs plane by plane; the walk of
// node pairs below takes the pairs that search cannot. All add exactly the
// contacts of the walks of FullMeshWalks.h, in the same order.
#include <cstdint>

#include "sim/maths/Matrix3.h"
#include "sim/maths/Plane.h"
#include "sim/maths/Sphere.h"
#include "sim/maths/Vector3.h"
#include "sim/rigidbody/Contact.h"
#include "sim/rigidbody/MeshCulling.h"
#include "sim/rigidbody/MeshTree.h"
#include "sim/rigidbody/OrientedBox.h"
#include "sim/rigidbody/RigidBody.h"

namespace physics {
namespace rigidbody {

// Which mesh walks the pair table uses: the ones here (always, in the library's
// use), the same with every mesh-mesh pair left to the walk of node pairs, or
// those of FullMeshWalks.h, to compare them. Process-wide.
enum class MeshWalk { CULLED, NODE_PAIRS, FULL };
void setMeshWalk(MeshWalk walk);
MeshWalk meshWalk();

// The triangles of the tree that can reach the box, against the box.
void collideTreeBox(const MeshTreeNode* node, const MeshInWorld& mesh, const OrientedBox& box, RigidBody* boxBody,
                    ContactList* contacts);

// Skips every node whose bounds, turned with the mesh, do not touch the sphere.
void collideTreeSphere(const MeshTreeNode* node, const float* vertices, const Matrix3& rotation,
                       const Vector3& position, RigidBody* meshBody, const Sphere& sphere, RigidBody* sphereBody,
                       ContactList* contacts);

// Skips every node with no corner of its bounds strictly behind the plane.
void collideTreePlane(const MeshTreeNode* node, const float* vertices, const Matrix3& rotation,
                      const Vector3& position, RigidBody* meshBody, const Plane& plane, RigidBody* planeBody,
                      ContactList* contacts);

// The triangle pairs of two meshes that can meet. The first triangle of each test
// comes from the first mesh's leaf, except where a leaf of the first mesh meets an
// inner node of the second.
void collideTreeTree(const MeshTree* first, const Matrix3& firstRotation, const Vector3& firstPosition,
                     RigidBody* firstBody, const MeshTree* second, const Matrix3& secondRotation,
                     const Vector3& secondPosition, RigidBody* secondBody, ContactList* contacts);

// Of a leaf's first 32 triangles, those that may still meet a triangle of the
// nodes on the other side (bit i for triangle i); later triangles are always kept.
using TriangleMask = std::uint32_t;
constexpr TriangleMask ALL_TRIANGLES = ~TriangleMask(0);

// Both meshes of one mesh-mesh walk and what it has learnt of them.
class MeshPairWalk {
public:
    MeshPairWalk(const MeshInWorld& first, const MeshInWorld& second, ContactList* contacts);

    // Whether no triangle of node p (of mesh pm) and none of node q can meet.
    bool apart(const MeshTreeNode* p, const MeshInWorld& pm, const MeshTreeNode* q, const MeshInWorld& qm);
    // Whether triangle t of mesh tm can meet no triangle of node (of mesh nm).
    bool triangleApart(const MeshInWorld& tm, std::uint32_t t, const MeshTreeNode* node, const MeshInWorld& nm);
    // The triangles of mask that may meet a triangle of node.
    TriangleMask meeting(const MeshTreeNode* leaf, const MeshInWorld& leafMesh, TriangleMask mask,
                         const MeshTreeNode* node, const MeshInWorld& nodeMesh);

    ContactList* contacts() const { return contacts_; }

private:
    // Groups a (triangles [aStart, aStart + aCount) of am) and b: apart by their
    // cones and planes, or by distance at the angle the search grants.
    bool apart(const WorldBounds& a, const MeshInWorld& am, std::uint32_t aStart, std::uint32_t aCount,
               const WorldBounds& b, const MeshInWorld& bm, std::uint32_t bStart, std::uint32_t bCount);

    const MeshInWorld* listed_;  // its triangles come first in nearParallel_'s pairs
    const MeshInWorld* other_;
    NearParallelPairs nearParallel_;
    ContactList* contacts_;
};

// Both nodes inner: the child pairings left-left, left-right, right-left, right-right.
void walkNodeNode(MeshPairWalk& walk, const MeshTreeNode* p, const MeshInWorld& pm, const MeshTreeNode* q,
                  const MeshInWorld& qm);

// An inner node against a leaf: the node's children in turn, with the leaf's
// triangles that may still meet them.
void walkNodeLeaf(MeshPairWalk& walk, const MeshTreeNode* node, const MeshInWorld& nodeMesh, const MeshTreeNode* leaf,
                  const MeshInWorld& leafMesh, TriangleMask leafMask = ALL_TRIANGLES);

// Two leaves: the first leaf's triangles in the outer loop; of the second's, those
// of sMask.
void collideLeafLeaf(MeshPairWalk& walk, const MeshTreeNode* f, const MeshInWorld& fm, const MeshTreeNode* s,
                     const MeshInWorld& sm, TriangleMask sMask = ALL_TRIANGLES);

}  // namespace rigidbody
}  // namespace physics
