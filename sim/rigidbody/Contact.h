#pragma once
#include <vector>

#include "sim/maths/Vector3.h"
#include "sim/rigidbody/RigidBody.h"

namespace physics {
namespace rigidbody {

// One contact point between two bodies. It carries no penetration depth.
struct Contact {
    RigidBody* bodyA;
    RigidBody* bodyB;
    Vector3 point;   // world coordinates
    Vector3 normal;  // unit, from bodyB towards bodyA
    Vector3 edgeA;   // edge directions of an edge-edge contact, else zero
    Vector3 edgeB;
    bool vertexFace;
};

using ContactList = std::vector<Contact>;

// A pair function only appends contacts to the list; it never clears or reorders it.
using CollisionFunction = void (*)(RigidBody* first, RigidBody* second, ContactList* contacts);

// Indexed 4 * (shape type of the first body) + (shape type of the second body).
extern const CollisionFunction collisionTable[16];

inline CollisionFunction collisionFunction(const RigidBody* first, const RigidBody* second)
{
    return collisionTable[4 * first->shapeType + second->shapeType];
}

// The check made where a body is handed to the simulator, so that the table is
// only ever indexed with the four shape types: throws std::invalid_argument for
// a null body or one of any other shape type.
void requireKnownShape(const RigidBody* body);

}  // namespace rigidbody
}  // namespace physics
