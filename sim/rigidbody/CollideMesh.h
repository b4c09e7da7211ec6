#pragma once
// The walks of a mesh's bounding-box tree behind the pair table's mesh entries.
// Each carries the triangles it reaches into world space (rotation and position
// of the mesh body) and hands them to a triangle test; all add exactly the
// contacts of the plain walks of FullMeshWalks.h, in their order: depth first,
// left before right, triangles in index-list order. That order fixes the order
// of the contacts, which the impulse pass and the duplicate-point check depend on.
//
// The box walk skips the nodes and triangles whose test could add no contact
// (MeshCulling.h says when that is certain); the sphere and plane walks answer
// their node tests quickly where the answer is certain (NodeTests.h); two meshes
// are searched plane by plane (collideMeshPair, MeshPairSearch.h). What they keep
// between walks (world positions, the point index of the list under search) is
// the context's.
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

class SearchContext;

// The triangles of the tree that can reach the box, against the box.
void collideTreeBox(const MeshTree& tree, const Matrix3& rotation, const Vector3& position, RigidBody* meshBody,
                    const OrientedBox& box, RigidBody* boxBody, ContactList* contacts, SearchContext& context);

// Skips every node whose bounds, turned with the mesh, do not touch the sphere.
void collideTreeSphere(const MeshTree& tree, const Matrix3& rotation, const Vector3& position, RigidBody* meshBody,
                       const Sphere& sphere, RigidBody* sphereBody, ContactList* contacts, SearchContext& context);

// Skips every node with no corner of its bounds strictly behind the plane.
void collideTreePlane(const MeshTree& tree, const Matrix3& rotation, const Vector3& position, RigidBody* meshBody,
                      const Plane& plane, RigidBody* planeBody, ContactList* contacts, SearchContext& context);

// The triangle pairs of two meshes that can meet. The first triangle of each test
// comes from the first mesh's leaf, except where a leaf of the first mesh meets an
// inner node of the second.
void collideTreeTree(const MeshTree& first, const Matrix3& firstRotation, const Vector3& firstPosition,
                     RigidBody* firstBody, const MeshTree& second, const Matrix3& secondRotation,
                     const Vector3& secondPosition, RigidBody* secondBody, ContactList* contacts,
                     SearchContext& context);

}  // namespace rigidbody
}  // namespace physics
