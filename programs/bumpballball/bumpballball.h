#pragma once
// Two balls, the lower one a little off the upper one's line: sphere-sphere contact.
#include <cstdio>

#include "frame/ContactTest.h"

namespace bumpballball {

class Test : public ContactTest {
    void addDynamicBodies() override
    {
        addSphere(6, 0.1f, {0, 3.5f, 0});
        addSphere(6, 0.1f, {0.1f, 3.0f, 0.1f});
    }

    void createBodyNodes() override
    {
        for (int i = 0; i < 2; ++i) {
            char entityName[32];
            char nodeName[32];
            std::snprintf(entityName, sizeof entityName, "Sphere%d", i);
            std::snprintf(nodeName, sizeof nodeName, "sphere_parent%d", i);
            addSphereNode(entityName, nodeName);
        }
    }
};

}  // namespace bumpballball
