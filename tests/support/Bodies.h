#pragma once
// Bodies set up the way the programs hand them to the simulator.
#include <memory>
#include <vector>

#include "sim/rigidbody/RigidBody.h"

namespace testing_support {

using namespace physics;
using namespace physics::rigidbody;

// Owns the bodies of one test.
class BodyStore {
public:
    BoxBody* box(const Vector3& position, const Vector3& size, float mass = 1.0f,
                 const Matrix3& rotation = Matrix3::identity())
    {
        auto* b = keep(std::make_unique<BoxBody>());
        initBox(b, mass, size.x, size.y, size.z);
        b->id = 0;
        setAtRest(b, position, rotation);
        return b;
    }
    SphereBody* sphere(const Vector3& position, float radius, float mass = 1.0f)
    {
        auto* b = keep(std::make_unique<SphereBody>());
        initSphere(b, mass, radius);
        b->id = 0;
        setAtRest(b, position);
        return b;
    }
    // Plane n . p + d = 0; the plane body's own pose is deliberately odd.
    PlaneBody* plane(const Vector3& normal, float d)
    {
        auto* b = keep(std::make_unique<PlaneBody>());
        initPlane(b, Plane{normal, d});
        b->id = 0;
        setAtRest(b, Vector3{3.0f, -7.0f, 11.0f}, Matrix3::makeRotationX(0.7f));
        b->worldInverseInertia = Matrix3::zero();
        return b;
    }

private:
    template <class T>
    T* keep(std::unique_ptr<T> body)
    {
        T* raw = body.get();
        owned_.push_back(std::shared_ptr<void>(std::move(body)));  // deletes as T
        return raw;
    }
    std::vector<std::shared_ptr<void>> owned_;
};

}  // namespace testing_support
