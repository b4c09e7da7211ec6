#pragma once
// Scenes of the kind the programs run, for benchmarks.
#include <memory>
#include <vector>

#include "platform/CrtRandom.h"
#include "sim/rigidbody/Simulator.h"

namespace bench {

using namespace physics;
using namespace physics::rigidbody;

// Bodies dropped at random into the walled enclosure (x, z in [-2, 2], y >= 0).
class EnclosureScene {
public:
    Simulator<ODERungeKutta> sim;

    EnclosureScene(int spheres, int boxes)
    {
        platform::crtSrand(27493);
        for (int i = 0; i < spheres + boxes; ++i) {
            RigidBody* body = nullptr;
            do {
                const float x = float((platform::crtRand() % 100 - 50.0) / 100.0);
                const float y = float((platform::crtRand() % 600 - 300.0 + 500.0) / 100.0);
                const float z = float((platform::crtRand() % 100 - 50.0) / 100.0);
                if (i < spheres) {
                    auto* s = make<SphereBody>();
                    initSphere(s, 1.0f, 0.25f);
                    body = s;
                } else {
                    auto* b = make<BoxBody>();
                    initBox(b, 1.0f, 0.5f, 0.5f, 0.5f);
                    body = b;
                }
                body->id = 0;
                setAtRest(body, Vector3{x, y, z});
            } while (sim.isColliding(body));
            sim.addBody(body);
        }
        const Plane walls[5] = {{Vector3{0, 1, 0}, 0}, {Vector3{1, 0, 0}, 2}, {Vector3{-1, 0, 0}, 2},
                                {Vector3{0, 0, 1}, 2}, {Vector3{0, 0, -1}, 2}};
        for (const Plane& p : walls) {
            auto* plane = make<PlaneBody>();
            initPlane(plane, p);
            plane->id = 0;
            setAtRest(plane, p.normal * -p.d);
            sim.addBody(plane);
        }
        sim.commitBodies();
    }

    void step(float h)
    {
        sim.simulate(t, t + h);
        t += h;
    }

private:
    template <class T>
    T* make()
    {
        auto owned = std::make_shared<T>();
        bodies.push_back(owned);
        return owned.get();
    }
    std::vector<std::shared_ptr<void>> bodies;
    float t = 0.0f;
};

}  // namespace bench
