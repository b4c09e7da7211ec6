#pragma once
// Two crates, the lower one a little off the upper one's line: box-box contact.
#include "frame/ContactTest.h"

namespace bumpcratecrate {

class Test : public ContactTest {
    void addDynamicBodies() override
    {
        addBox(6, 0.2f, {0.1f, 3.5f, 0.1f});
        addBox(8, 0.2f, {0, 4, 0});
    }

    void createBodyNodes() override
    {
        addBoxNode("Box0", "box_parent0");
        addBoxNode("Box1", "box_parent1");
    }
};

}  // namespace bumpcratecrate
