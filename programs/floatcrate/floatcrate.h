#pragma once
// One crate dropped onto the lake's water, its lowest face at the water's
// level: the coupling holds it up and turns it, the random drops rock it.
#include "assets/CubeMesh.h"
#include "frame/WaterShell.h"

namespace floatcrate {

class Test : public WaterShell {
public:
    Test() : WaterShell(couplingSettings(TerrainMeshSamples{7}, Stats::SHOWN)) {}

protected:
    void createBodies() override
    {
        createSimulator();
        addTerrainBody();
        auto* box = new physics::rigidbody::BoxBody();
        box->id = std::int32_t(mSimulator->getNumBodies());
        physics::rigidbody::initBox(box, 0.6f, 1, 1, 1);
        placeBody(box, "box", {0, 10.5f, 0});
        mSimulator->commitBodies();
    }

    void createBodyDrawings() override
    {
        mNodes.push_back(nullptr);
        createCubeMesh();
        mNodes.push_back(createBoxNode("Box0", "box_parent0"));
    }
};

}  // namespace floatcrate
