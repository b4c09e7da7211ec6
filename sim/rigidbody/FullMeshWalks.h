#pragma once
// The mesh walks as plainly as they can be written: every triangle of the mesh
// against the box, every triangle of one mesh against every triangle of the
// other, and the sphere and plane walks testing every node they reach with the
// transform formed there. They are the reference the walks of CollideMesh.h must
// match record for record, and what the pair functions of SearchForms::plain()
// take (for comparisons and benchmarks; Collide.h declares them).
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
namespace full {

void collideTreeBox(const MeshTreeNode* node, const float* vertices, const Matrix3& rotation, const Vector3& position,
                    RigidBody* meshBody, const OrientedBox& box, RigidBody* boxBody, ContactList* contacts);

void collideTreeSphere(const MeshTreeNode* node, const float* vertices, const Matrix3& rotation,
                       const Vector3& position, RigidBody* meshBody, const Sphere& sphere, RigidBody* sphereBody,
                       ContactList* contacts);

void collideTreePlane(const MeshTreeNode* node, const float* vertices, const Matrix3& rotation,
                      const Vector3& position, RigidBody* meshBody, const Plane& plane, RigidBody* planeBody,
                      ContactList* contacts);

void collideTreeTree(const MeshTree* first, const Matrix3& firstRotation, const Vector3& firstPosition,
                     RigidBody* firstBody, const MeshTree* second, const Matrix3& secondRotation,
                     const Vector3& secondPosition, RigidBody* secondBody, ContactList* contacts);

}  // namespace full
}  // namespace rigidbody
}  // namespace physics
