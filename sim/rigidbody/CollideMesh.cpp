#include "sim/rigidbody/Collide.h"

// Pairs with a triangle mesh. The mesh tree and its walks are not built yet:
// until then these entries append no contacts.

namespace physics {
namespace rigidbody {

void collideBoxTriMesh(RigidBody*, RigidBody*, ContactList*) {}
void collideSphereTriMesh(RigidBody* sphere, RigidBody* mesh, ContactList* contacts)
{
    collideTriMeshSphere(mesh, sphere, contacts);
}
void collideTriMeshBox(RigidBody* mesh, RigidBody* box, ContactList* contacts)
{
    collideBoxTriMesh(box, mesh, contacts);
}
void collideTriMeshSphere(RigidBody*, RigidBody*, ContactList*) {}
void collideTriMeshTriMesh(RigidBody*, RigidBody*, ContactList*) {}
void collideTriMeshPlane(RigidBody*, RigidBody*, ContactList*) {}
void collidePlaneTriMesh(RigidBody*, RigidBody*, ContactList*) {}

}  // namespace rigidbody
}  // namespace physics
