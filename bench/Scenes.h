#pragma once
// Scenes of the kind the programs run, for benchmarks.
#include "MeshScenes.h"
#include "platform/CrtRandom.h"

namespace bench {

using namespace physics;
using namespace physics::rigidbody;

// Spheres, then boxes, dropped at random into the walled enclosure (x, z in
// [-2, 2], y >= 0), as in the contact programs.
class EnclosureScene : public testing_support::SceneBodies {
public:
    EnclosureScene(int spheres, int boxes)
    {
        platform::crtSrand(27493);
        for (int i = 0; i < spheres + boxes; ++i) {
            RigidBody* body = nullptr;
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
            placeInColumn(body);
        }
        addEnclosure();
        sim.commitBodies();
    }
};

}  // namespace bench
