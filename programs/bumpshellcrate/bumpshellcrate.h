#pragma once
// A teapot read from a PLY model and two crates dropped into the walled
// enclosure: mesh against box.
#include <string>

#include "assets/PlyMesh.h"
#include "frame/ContactTest.h"

namespace bumpshellcrate {

class Test : public ContactTest {
    void addDynamicBodies() override
    {
        mMesh = new PlyMesh("teapot", "../../../../media/models/teapot.ply", 0.005f);
        addMeshBody(8, *mMesh, {0, 20, 0});
        placeBoxes(2, 8, 1.0f);
    }

    void createBodyNodes() override
    {
        addModelNode("Ninja", "teapot", false);
        // The unit cube is the boxes' own size.
        for (int i = 0; i < 2; ++i)
            addBoxNode("Box" + std::to_string(i), "box_parent" + std::to_string(i), NodeScale::UNIT);
    }
};

}  // namespace bumpshellcrate
