#pragma once
// The contact-test programs: a few bodies dropped into the walled enclosure, one
// simulator held by value, advanced at 120 fixed steps per second of real time.
// A program supplies its dynamic bodies and their scene nodes, in body order.
#include <string>

#include "assets/RigidBodyScene.h"
#include "frame/TestShell.h"

class PlyMesh;

class ContactTest : public TestShell {
public:
    // Real time runs unscaled; fixed steps of 1/120 s.
    static constexpr double TIME_SCALE = 1.0;
    static constexpr double STEP = 1.0 / 120.0;

    ContactTest();
    ~ContactTest() override;

    void createCamera() override;
    void createScene() override;
    void updateSimulation(const Ogre::FrameEvent& evt) override;

    RigidBodySimulator mSimulator;
    // The model of the program that drops one (its body's arrays).
    PlyMesh* mMesh = nullptr;

protected:
    // The scene's steps: the seeding line, the bodies and the enclosure, committed;
    // then, after the lights, the cube mesh where boxes are drawn and the nodes.
    void createBodies();
    void createBodyDrawings();

    // Queues the program's dynamic bodies (index i = body i) with the helpers below.
    virtual void addDynamicBodies() = 0;
    // Appends one scene node per dynamic body to mNodes, in body order.
    virtual void createBodyNodes() = 0;

    void addSphere(float mass, float radius, const physics::Vector3& position);
    void addBox(float mass, float size, const physics::Vector3& position);
    // A movable triangle-mesh body over the model's arrays.
    void addMeshBody(float mass, PlyMesh& model, const physics::Vector3& position);
    // Cubes at free places of the column above the enclosure (placeAtRandom).
    void placeBoxes(int count, float mass, float size);

    // How a node is drawn against the node functions' unit sizes (a sphere of
    // radius 0.5, a box of edge 1): at a fifth, the physical sizes of the small
    // bodies (radius 0.1, edge 0.2), or as they are.
    enum class NodeScale { FIFTH, UNIT };
    void addSphereNode(const std::string& entityName, const std::string& nodeName,
                       NodeScale scale = NodeScale::FIFTH);
    void addBoxNode(const std::string& entityName, const std::string& nodeName,
                    NodeScale scale = NodeScale::FIFTH);
    // The model's entity (mesh `meshName`) at the origin, as its coordinates put it.
    void addModelNode(const std::string& entityName, const std::string& meshName, bool castShadows);

private:
    void seedRandomGenerator();
    void queueBody(physics::rigidbody::RigidBody* body, const physics::Vector3& position);
    void appendNode(Ogre::SceneNode* node, NodeScale scale);

    bool mHasBoxes = false;
};
