#include "sim/rigidbody/Collide.h"

namespace physics {
namespace rigidbody {

void collideBoxBox(RigidBody*, RigidBody*, ContactList*) {}

}  // namespace rigidbody
}  // namespace physics
