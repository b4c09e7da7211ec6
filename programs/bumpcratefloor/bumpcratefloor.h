#pragma once
// One crate dropped on the floor: box-plane contact.
#include "frame/ContactTest.h"

namespace bumpcratefloor {

class Test : public ContactTest {
    void addDynamicBodies() override { addBox(8, 0.2f, {0, 4, 0}); }

    void createBodyNodes() override { addBoxNode("Box0", "box_parent0"); }
};

}  // namespace bumpcratefloor
