#pragma once
// A bunny read from a PLY model falling onto the floor: mesh against plane.
#include "assets/PlyMesh.h"
#include "frame/MeshTest.h"

namespace bumpshellfloor {

class Test : public MeshTest {
public:
    Test() : MeshTest({1.0, 1.0 / 120.0, Poses::BODY1, Ogre::SHADOWTYPE_TEXTURE_MODULATIVE}) {}

    PlyMesh* mMesh = nullptr;

protected:
    void createBodies() override
    {
        mMesh = new PlyMesh("Bunny", "../../../../media/models/bun_zipper.ply", 5.0f);
        mSimulator = new RigidBodySimulator();
        mBody1 = addMeshBody(0, 8, *mMesh, true, {0, 1.5f, 0}, physics::Matrix3::makeRotationX(0.785f));
        queueFloor(*mSimulator, 1);
        mSimulator->commitBodies();
    }

    void createBodyDrawings() override { mBodyNode1 = createModelNode("Ninja", "Bunny", false); }
};

}  // namespace bumpshellfloor
