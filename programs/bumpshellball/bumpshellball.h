#pragma once
// A bunny falling onto a ball in the walled enclosure: mesh against sphere.
#include "assets/OffMesh.h"
#include "frame/MeshTest.h"

namespace bumpshellball {

class Test : public MeshTest {
public:
    Test() : MeshTest({1.0, 1.0 / 60.0, Poses::BODY1_THEN_BODY2}) {}

    OffMesh* mMesh = nullptr;

protected:
    void createBodies() override
    {
        mMesh = loadShadowCaster<OffMesh>("Bunny", BUNNY_MODEL, 1.0f);
        mSimulator = new RigidBodySimulator();
        mBody1 = addMeshBody(0, 8, *mMesh, true, {0, 2.5f, 0}, physics::Matrix3::makeRotationX(0.785f));
        mBody2 = addSphere(1, 8, 0.35f, {0, 1, 0});
        queueEnclosure(*mSimulator, 2);
        mSimulator->commitBodies();
    }

    void createBodyDrawings() override
    {
        mBodyNode1 = createModelNode("Ninja", "Bunny", true);
        mBodyNode2 = createSphereNode("sphere0", "spherenode0", 0.35f);
    }
};

}  // namespace bumpshellball
