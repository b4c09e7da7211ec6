#pragma once
// The integrator-independent pieces of a simulation step.
#include <cstddef>
#include <vector>

#include "sim/rigidbody/AbstractSimulator.h"
#include "sim/rigidbody/Contact.h"
#include "sim/rigidbody/RigidBody.h"

namespace physics {
namespace rigidbody {

constexpr int STATE_SIZE = 18;  // floats of integrated state per body

// Classical Gram-Schmidt on the rows of the body's rotation.
void orthonormaliseRotation(RigidBody* body);
void bodyToState(const RigidBody* body, float* state);
// Copies the state in and recomputes velocity, world inverse inertia and angular velocity.
void stateToBody(const float* state, RigidBody* body);
// Sums the applied forces of this body plus gravity; torque stays zero.
void computeForceAndTorque(RigidBody* body, const std::vector<AppliedForce>& forces);
// computeForceAndTorque for every body at once, in one pass over the forces
// (bodiesByAddress: the same bodies, sorted by address, each once). Each body
// still sums its own forces in list order, so the results are the same.
void computeForcesAndTorques(const std::vector<RigidBody*>& bodiesByAddress, const std::vector<AppliedForce>& forces);
void bodyDerivative(float* out, const RigidBody* body);

// One pass of collision impulses in list order.
void resolveCollisions(ContactList* contacts);

[[noreturn]] void indexOutOfRange(const char* what, std::size_t index, std::size_t size);

}  // namespace rigidbody
}  // namespace physics
