#pragma once
// Rigid-body simulator over an integrator type (used with ODERungeKutta).
#include <algorithm>
#include <memory>
#include <vector>

#include "sim/rigidbody/AbstractSimulator.h"
#include "sim/rigidbody/Contact.h"
#include "sim/rigidbody/Dynamics.h"
#include "sim/rigidbody/ODE.h"
#include "sim/rigidbody/RigidBody.h"
#include "sim/rigidbody/SearchContext.h"

namespace physics {
namespace rigidbody {

// Holds pointers to the application's bodies and never frees them. Usage:
// addBody for every body, commitBodies once, then per step clearForces/addForce
// as needed and simulate.
template <class Integrator>
class Simulator : public AbstractSimulator {
public:
    Simulator() = default;
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;
    ~Simulator() = default;

    // Throws std::invalid_argument, queueing nothing, for a body of no known shape
    // or one the simulation cannot take (see checkBody).
    void addBody(RigidBody* body)
    {
        requireKnownShape(body);
        checkBody(body);
        mPendingBodies.push_back(body);
    }

    // Makes the pending bodies active (appended after the existing ones). Throws
    // std::invalid_argument, changing nothing, if a pending body's shape type has
    // since become one of no known shape.
    void commitBodies()
    {
        for (const RigidBody* body : mPendingBodies) requireKnownShape(body);
        mBodies.insert(mBodies.end(), mPendingBodies.begin(), mPendingBodies.end());
        mPendingBodies.clear();
        const std::size_t n = STATE_SIZE * mBodies.size();
        mState.reset();
        mNextState.reset();
        mState.reset(new float[n]);
        mNextState.reset(new float[n]);
        mIntegrator.resize(unsigned(n));
        mBodiesByAddress = mBodies;
        std::sort(mBodiesByAddress.begin(), mBodiesByAddress.end());
        mBodiesByAddress.erase(std::unique(mBodiesByAddress.begin(), mBodiesByAddress.end()), mBodiesByAddress.end());
    }

    // Whether a body not yet added touches any active or pending body (the
    // candidate must be in neither list). Throws std::invalid_argument for a body
    // of no known shape.
    bool isColliding(RigidBody* candidate)
    {
        requireKnownShape(candidate);
        mContacts.clear();
        const bool touching = mSearch.touchesAny(candidate, mBodies, &mContacts) ||
                              mSearch.touchesAny(candidate, mPendingBodies, &mContacts);
        mSearch.forget(candidate);  // it may be moved, or freed, before it comes back
        return touching;
    }

    // The pairs that may touch, in the order of the loop over all pairs.
    void findContacts() { mSearch.findContacts(mBodies, &mContacts); }
    void resolveCollisions() { rigidbody::resolveCollisions(&mContacts); }

    // One step from t0 to t1.
    void simulate(float t0, float t1)
    {
        ++mStepCount;
        for (StepListener* l : mListeners)
            if (l) l->preStep(this, mStepCount, t0, t1);
        findContacts();
        resolveCollisions();
        for (StepListener* l : mListeners)
            if (l) l->afterCollision(this);
        orthonormaliseRotations();
        bodiesToState();
        mIntegrating = true;
        mDerivativeKnown = false;
        mIntegrator.integrate(mState.get(), mNextState.get(), t0, t1, &Simulator::derivativeCallback, this);
        mIntegrating = false;
        stateToBodies();
        for (StepListener* l : mListeners)
            if (l) l->postStep(this);
    }

    RigidBody* getBody(unsigned index) override
    {
        if (index >= mBodies.size()) indexOutOfRange("body", index, mBodies.size());
        return mBodies[index];
    }
    unsigned getNumBodies() override { return unsigned(mBodies.size()); }
    Contact* getContact(unsigned index) override
    {
        if (index >= mContacts.size()) indexOutOfRange("contact", index, mContacts.size());
        return &mContacts[index];
    }
    unsigned getNumContacts() override { return unsigned(mContacts.size()); }
    void clearForces() override { mForces.clear(); }
    void addForce(const Vector3& point, const Vector3& force, RigidBody* body) override
    {
        mForces.push_back(AppliedForce{point, force, body});
    }

    // Derivative of the whole state. Deliberately reads the bodies as they stood
    // at the start of the step, not t or x: every stage sees the same derivative.
    virtual void dxdt(float /*t*/, float* /*x*/, float* xdot)
    {
        // Within one integration every stage gets the same floats: the bodies and
        // forces do not change in between, so the first stage's are copied.
        const std::size_t n = STATE_SIZE * mBodies.size();
        const bool reuse = mIntegrating;
        if (reuse && mDerivativeKnown) {
            std::copy(mDerivative.begin(), mDerivative.end(), xdot);
            return;
        }
        // computeForceAndTorque of every body, without a pass over all forces per body.
        computeForcesAndTorques(mBodiesByAddress, mForces);
        for (std::size_t i = 0; i < mBodies.size(); ++i) bodyDerivative(xdot + STATE_SIZE * i, mBodies[i]);
        if (reuse) {
            mDerivative.assign(xdot, xdot + n);
            mDerivativeKnown = true;
        }
    }

    static void derivativeCallback(float t, float* x, float* xdot, void* user)
    {
        static_cast<Simulator*>(user)->dxdt(t, x, xdot);
    }

    // What the contact search keeps, and the forms it searches with (the
    // library's unless a comparison sets plain ones).
    SearchContext& searchContext() { return mSearch; }

    std::vector<RigidBody*> mBodies;
    std::vector<RigidBody*> mPendingBodies;
    ContactList mContacts;
    std::vector<StepListener*> mListeners;
    std::vector<AppliedForce> mForces;
    std::unique_ptr<float[]> mState;
    std::unique_ptr<float[]> mNextState;
    Integrator mIntegrator;
    int mStepCount = 0;

private:
    std::vector<RigidBody*> mBodiesByAddress;  // the active bodies, sorted, each once
    SearchContext mSearch;
    bool mIntegrating = false;
    bool mDerivativeKnown = false;
    std::vector<float> mDerivative;  // of the integration under way

    void orthonormaliseRotations()
    {
        for (RigidBody* b : mBodies) orthonormaliseRotation(b);
    }
    void bodiesToState()
    {
        for (std::size_t i = 0; i < mBodies.size(); ++i) bodyToState(mBodies[i], mState.get() + STATE_SIZE * i);
    }
    void stateToBodies()
    {
        for (std::size_t i = 0; i < mBodies.size(); ++i) stateToBody(mNextState.get() + STATE_SIZE * i, mBodies[i]);
    }
};

}  // namespace rigidbody
}  // namespace physics
