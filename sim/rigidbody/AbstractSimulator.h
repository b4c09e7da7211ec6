#pragma once
#include "sim/maths/Vector3.h"
#include "sim/rigidbody/Contact.h"
#include "sim/rigidbody/RigidBody.h"

namespace physics {
namespace rigidbody {

// What programs and the water coupling see of a simulator.
class AbstractSimulator {
public:
    // Index must be below getNumBodies(); anything else ends the process.
    virtual RigidBody* getBody(unsigned index) = 0;
    virtual unsigned getNumBodies() = 0;
    // Index must be below getNumContacts(); anything else ends the process.
    virtual Contact* getContact(unsigned index) = 0;
    virtual unsigned getNumContacts() = 0;
    virtual void clearForces() = 0;
    // The force acts at the centre of mass (point is recorded only) in every step
    // until clearForces.
    virtual void addForce(const Vector3& point, const Vector3& force, RigidBody* body) = 0;

protected:
    // Never deleted through this interface.
    ~AbstractSimulator() = default;
};

// Observer of simulation steps. No part of the library registers one, but the
// simulator notifies any it holds.
class StepListener {
public:
    virtual ~StepListener() = default;
    virtual void preStep(AbstractSimulator* simulator, int stepCount, float t0, float t1) = 0;
    virtual void afterCollision(AbstractSimulator* simulator) = 0;
    virtual void postStep(AbstractSimulator* simulator) = 0;
};

// An external force for the current step.
struct AppliedForce {
    Vector3 point;
    Vector3 force;
    RigidBody* body;
};

}  // namespace rigidbody
}  // namespace physics
