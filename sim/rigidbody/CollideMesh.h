#pragma once
// Walks of a mesh's bounding-box tree behind the pair table's mesh entries. Each
// carries the triangles it reaches into world space (rotation and position of the
// node's mesh body) and hands them to a triangle test. The visiting order is depth
// first, left before right, triangles in index-list order: it fixes the order of
// the contacts, which the impulse pass and the duplicate-point check depend on.
#include "sim/maths/Matrix3.h"
#include "sim/maths/Plane.h"
#include "sim/maths/Sphere.h"
#include "sim/maths/Vector3.h"
#include "sim/rigidbody/Contact.h"
#include "sim/rigidbody/MeshTree.h"
#include "sim/rigidbody/OrientedBox.h"
#include "sim/rigidbody/RigidBody.h"

namespace physics {
namespace rigidbody {

// Every triangle of the tree against the box; node bounds are not read.
void collideTreeBox(const MeshTreeNode* node, const float* vertices, const Matrix3& rotation, const Vector3& position,
                    RigidBody* meshBody, const OrientedBox& box, RigidBody* boxBody, ContactList* contacts);

// Skips every node whose bounds, turned with the mesh, do not touch the sphere.
void collideTreeSphere(const MeshTreeNode* node, const float* vertices, const Matrix3& rotation,
                       const Vector3& position, RigidBody* meshBody, const Sphere& sphere, RigidBody* sphereBody,
                       ContactList* contacts);

// Skips every node with no corner of its bounds strictly behind the plane.
void collideTreePlane(const MeshTreeNode* node, const float* vertices, const Matrix3& rotation,
                      const Vector3& position, RigidBody* meshBody, const Plane& plane, RigidBody* planeBody,
                      ContactList* contacts);

// Every triangle of one mesh against every triangle of the other; node bounds are
// not read. The first triangle of each test comes from the first mesh's leaf,
// except where a leaf of the first mesh meets an inner node of the second.
void collideTreeTree(const MeshTree* first, const Matrix3& firstRotation, const Vector3& firstPosition,
                     RigidBody* firstBody, const MeshTree* second, const Matrix3& secondRotation,
                     const Vector3& secondPosition, RigidBody* secondBody, ContactList* contacts);

// Both nodes inner: the child pairings left-left, left-right, right-left, right-right.
void walkNodeNode(const MeshTreeNode* p, const float* pVertices, const Matrix3& pRotation, const Vector3& pPosition,
                  RigidBody* pBody, const MeshTreeNode* q, const float* qVertices, const Matrix3& qRotation,
                  const Vector3& qPosition, RigidBody* qBody, ContactList* contacts);

// An inner node against a leaf: the node's children in turn.
void walkNodeLeaf(const MeshTreeNode* node, const float* nodeVertices, const Matrix3& nodeRotation,
                  const Vector3& nodePosition, RigidBody* nodeBody, const MeshTreeNode* leaf,
                  const float* leafVertices, const Matrix3& leafRotation, const Vector3& leafPosition,
                  RigidBody* leafBody, ContactList* contacts);

// Two leaves: the first leaf's triangles in the outer loop.
void collideLeafLeaf(const MeshTreeNode* f, const float* fVertices, const Matrix3& fRotation, const Vector3& fPosition,
                     RigidBody* fBody, const MeshTreeNode* s, const float* sVertices, const Matrix3& sRotation,
                     const Vector3& sPosition, RigidBody* sBody, ContactList* contacts);

}  // namespace rigidbody
}  // namespace physics
