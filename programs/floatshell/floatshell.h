#pragma once
// The bunny dropped onto the lake's water from above: the coupling casts its
// rays through the mesh, holds it up and turns it.
#include "frame/WaterShell.h"

namespace floatshell {

class Test : public WaterShell {
public:
    Test() : WaterShell(couplingSettings(TerrainMeshSamples{7}, Stats::SHOWN)) {}

protected:
    void loadModels() override { loadBunny(); }

    void createBodies() override
    {
        createSimulator();
        addTerrainBody();
        addBunnyBody(0.25f, {0, 12.5f, 0});
        mSimulator->commitBodies();
    }

    void createBodyDrawings() override
    {
        mNodes.push_back(nullptr);
        createBunnyNode();
        mNodes.push_back(mBunnyNode);
    }
};

}  // namespace floatshell
