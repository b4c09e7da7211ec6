#pragma once
// The pair functions of the collision table. Each appends contacts for one pair
// of bodies whose shapes match its row and column; the mirrored entries exchange
// their bodies and produce exactly the records of their partner. The entries of
// the table search with a fresh context; the search of a simulator calls the
// forms below that take its own (SearchContext.h).
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

class SearchContext;

void collideBoxSphere(RigidBody* box, RigidBody* sphere, ContactList* contacts, SearchContext& context);
void collideBoxTriMesh(RigidBody* box, RigidBody* mesh, ContactList* contacts, SearchContext& context);
void collideTriMeshSphere(RigidBody* mesh, RigidBody* sphere, ContactList* contacts, SearchContext& context);
void collideTriMeshTriMesh(RigidBody* a, RigidBody* b, ContactList* contacts, SearchContext& context);
void collideTriMeshPlane(RigidBody* mesh, RigidBody* plane, ContactList* contacts, SearchContext& context);
// Mesh against mesh walked node pair by node pair, without the search plane by plane.
void collideTriMeshTriMeshByNodePairs(RigidBody* a, RigidBody* b, ContactList* contacts, SearchContext& context);

// The plain forms of the pairs the library makes cheaper, which they must match
// record for record: the box-sphere pair building and inverting the box's
// transform for the pair, and the full mesh walks (FullMeshWalks.h).
namespace full {
void collideBoxSphere(RigidBody* box, RigidBody* sphere, ContactList* contacts);
void collideBoxTriMesh(RigidBody* box, RigidBody* mesh, ContactList* contacts);
void collideTriMeshSphere(RigidBody* mesh, RigidBody* sphere, ContactList* contacts);
void collideTriMeshTriMesh(RigidBody* a, RigidBody* b, ContactList* contacts);
void collideTriMeshPlane(RigidBody* mesh, RigidBody* plane, ContactList* contacts);
}  // namespace full

}  // namespace rigidbody
}  // namespace physics
