#pragma once
// Two bunnies, ten spheres and a box tumbling in the walled enclosure, at a third
// of real time: every pair of shape kinds at once.
#include <cstdio>

#include "assets/CubeMesh.h"
#include "assets/OffMesh.h"
#include "assets/RandomPlacement.h"
#include "frame/MeshTest.h"
#include "platform/CrtRandom.h"

namespace tumbleshow {

class Test : public MeshTest {
public:
    Test() : MeshTest({3.0, 1.0 / 120.0, Poses::NODE_LIST}) {}

    OffMesh* mMesh = nullptr;

protected:
    void createBodies() override
    {
        using namespace physics;
        using namespace physics::rigidbody;
        platform::crtSrand(SCENE_SEED);
        mMesh = loadShadowCaster<OffMesh>("Bunny", BUNNY_MODEL, 1.0f);
        mSimulator = new RigidBodySimulator();
        // Both bunnies share the model's vertices.
        mBody1 = addMeshBody(0, 10, *mMesh, true, {0, 1, 0}, Matrix3::makeRotationX(0.785f));
        mBody2 = addMeshBody(1, 25, *mMesh, true, {0, 2.5f, 0});
        placeAtRandom<SphereBody>(*mSimulator, 10, "sphere", [](SphereBody* body) { initSphere(body, 6, 0.3f); });
        placeAtRandom<BoxBody>(*mSimulator, 1, "box", [](BoxBody* body) { initBox(body, 8, 0.5f, 0.5f, 0.5f); });
        queueEnclosure(*mSimulator, 2);
        mSimulator->commitBodies();
    }

    void createBodyDrawings() override
    {
        using namespace physics::rigidbody;
        mBodyNode1 = createModelNode("Ninja1", "Bunny", true);
        mBodyNode2 = createModelNode("Ninja2", "Bunny", true);
        createCubeMesh();
        // One entry per body, numbered by body index; the meshes and planes get none here.
        for (unsigned i = 0; i < mSimulator->getNumBodies(); ++i) {
            char entityName[32], nodeName[32];
            std::snprintf(entityName, sizeof entityName, "Object%d", int(i));
            std::snprintf(nodeName, sizeof nodeName, "object_parent%d", int(i));
            Ogre::SceneNode* node = nullptr;
            switch (mSimulator->getBody(i)->shapeType) {
            case SHAPE_BOX:
                // The unit cube drawn at the box's edge of 0.5.
                node = createBoxNode(entityName, nodeName);
                node->setScale(node->getScale() / 2.0f);
                break;
            case SHAPE_SPHERE: node = createSphereNode(entityName, nodeName, 0.3f); break;
            default: break;
            }
            mNodes.push_back(node);
        }
        mNodes[0] = mBodyNode1;
        mNodes[1] = mBodyNode2;
    }
};

}  // namespace tumbleshow
