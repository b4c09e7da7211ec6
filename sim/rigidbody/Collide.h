#pragma once
// The pair functions of the collision table. Each appends contacts for one pair
// of bodies whose shapes match its row and column; the mirrored entries exchange
// their bodies and produce exactly the records of their partner.
#include "sim/rigidbody/Contact.h"
#include "sim/rigidbody/RigidBody.h"

namespace physics {
namespace rigidbody {

void collideBoxBox(RigidBody* a, RigidBody* b, ContactList* contacts);
void collideBoxSphere(RigidBody* box, RigidBody* sphere, ContactList* contacts);
void collideBoxTriMesh(RigidBody* box, RigidBody* mesh, ContactList* contacts);
void collideBoxPlane(RigidBody* box, RigidBody* plane, ContactList* contacts);

void collideSphereBox(RigidBody* sphere, RigidBody* box, ContactList* contacts);
void collideSphereSphere(RigidBody* a, RigidBody* b, ContactList* contacts);
void collideSphereTriMesh(RigidBody* sphere, RigidBody* mesh, ContactList* contacts);
void collideSpherePlane(RigidBody* sphere, RigidBody* plane, ContactList* contacts);

void collideTriMeshBox(RigidBody* mesh, RigidBody* box, ContactList* contacts);
void collideTriMeshSphere(RigidBody* mesh, RigidBody* sphere, ContactList* contacts);
void collideTriMeshTriMesh(RigidBody* a, RigidBody* b, ContactList* contacts);
void collideTriMeshPlane(RigidBody* mesh, RigidBody* plane, ContactList* contacts);

void collidePlaneBox(RigidBody* plane, RigidBody* box, ContactList* contacts);
void collidePlaneSphere(RigidBody* plane, RigidBody* sphere, ContactList* contacts);
void collidePlaneTriMesh(RigidBody* plane, RigidBody* mesh, ContactList* contacts);
void collidePlanePlane(RigidBody* a, RigidBody* b, ContactList* contacts);

}  // namespace rigidbody
}  // namespace physics
