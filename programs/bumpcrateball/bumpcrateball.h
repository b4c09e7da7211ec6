#pragma once
// A ball dropped just before a crate falls on it: sphere-box contact.
#include "frame/ContactTest.h"

namespace bumpcrateball {

class Test : public ContactTest {
    void addDynamicBodies() override
    {
        addSphere(6, 0.1f, {0.1f, 3.5f, 0.1f});
        addBox(8, 0.2f, {0, 4, 0});
    }

    void createBodyNodes() override
    {
        addSphereNode("Sphere0", "sphere_parent0");
        addBoxNode("Box0", "box_parent0");
    }
};

}  // namespace bumpcrateball
