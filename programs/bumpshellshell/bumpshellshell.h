#pragma once
// Two bunnies of one model, the lower one tilted, in the walled enclosure, at a
// third of real time: mesh against mesh.
#include "assets/OffMesh.h"
#include "frame/MeshTest.h"

namespace bumpshellshell {

class Test : public MeshTest {
public:
    Test() : MeshTest({3.0, 1.0 / 60.0, Poses::BODY1_THEN_BODY2}) {}

    OffMesh* mMesh = nullptr;

protected:
    void createBodies() override
    {
        mMesh = loadShadowCaster<OffMesh>("Bunny", BUNNY_MODEL, 1.0f);
        mSimulator = new RigidBodySimulator();
        mBody1 = addMeshBody(0, 10, *mMesh, true, {0, 1, 0}, physics::Matrix3::makeRotationX(0.785f));
        mBody2 = addMeshBody(1, 25, *mMesh, true, {0, 2.5f, 0});
        queueEnclosure(*mSimulator, 2);
        mSimulator->commitBodies();
    }

    void createBodyDrawings() override
    {
        mBodyNode1 = createModelNode("Ninja1", "Bunny", true);
        mBodyNode2 = createModelNode("Ninja2", "Bunny", true);
    }
};

}  // namespace bumpshellshell
