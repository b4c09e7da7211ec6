#pragma once
// A ball falling onto hills, a static triangle mesh sampled from the terrain:
// sphere against mesh.
#include "assets/Terrain.h"
#include "frame/CouplingCamera.h"
#include "frame/MeshTest.h"

namespace bumphillball {

class Test : public MeshTest {
public:
    Test() : MeshTest({1.0, 1.0 / 60.0, Poses::BODY2, Ogre::SHADOWTYPE_STENCIL_ADDITIVE, false})
    {
        mUsesTerrainSceneManager = true;
    }

    void createCamera() override { mCamera = createCouplingCamera(mSceneMgr); }

    Terrain* mTerrain = nullptr;

protected:
    void createBodies() override
    {
        mSceneMgr->setWorldGeometry("plytest5.cfg");
        Ogre::SceneNode* world = mSceneMgr->getSceneNode("Terrain");
        world->setPosition(-5, 0, -5);
        mTerrain = new Terrain(mSceneMgr, 50.0f, 31, 13);
        mTerrain->create();
        // Drawn only through the coarse mesh, where the ball meets it.
        world->setVisible(false, true);
        mSimulator = new RigidBodySimulator();
        mBody1 = addMeshBody(0, 8, *mTerrain, false, {0, 0, 0});
        mBody2 = addSphere(1, 8, 0.35f, {0, 15, 0});
        mSimulator->commitBodies();
    }

    void createBodyDrawings() override
    {
        mBodyNode1 = createModelNode("Ninja", mTerrain->mMesh->getName(), true);
        mBodyNode2 = createSphereNode("sphere0", "spherenode0", 0.35f);
    }
};

}  // namespace bumphillball
