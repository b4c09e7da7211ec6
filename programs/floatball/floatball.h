#pragma once
// One ball dropped onto the lake's water, its lowest point at the water's
// level: the coupling holds it up, the random drops rock it.
#include "assets/CubeMesh.h"
#include "frame/WaterShell.h"

namespace floatball {

class Test : public WaterShell {
public:
    Test() : WaterShell(couplingSettings(TerrainMeshSamples{13}, Stats::HIDDEN)) {}

protected:
    void createBodies() override
    {
        createSimulator();
        addTerrainBody();
        auto* sphere = new physics::rigidbody::SphereBody();
        sphere->id = std::int32_t(mSimulator->getNumBodies());
        physics::rigidbody::initSphere(sphere, 0.3f, 0.5f);
        placeBody(sphere, "sphere", {0, 10.5f, 0});
        mSimulator->commitBodies();
    }

    void createBodyDrawings() override
    {
        createCubeMesh();
        createBodyNodes();
    }
};

}  // namespace floatball
