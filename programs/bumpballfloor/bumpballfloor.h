#pragma once
// One ball dropped on the floor: sphere-plane contact.
#include "frame/ContactTest.h"

namespace bumpballfloor {

class Test : public ContactTest {
    void addDynamicBodies() override { addSphere(6, 0.1f, {0, 3.5f, 0}); }

    void createBodyNodes() override { addSphereNode("Sphere0", "sphere_parent0"); }
};

}  // namespace bumpballfloor
