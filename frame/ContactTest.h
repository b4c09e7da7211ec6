#pragma once
// The contact-test programs: a few bodies dropped into the walled enclosure, one
// simulator held by value, advanced at 120 fixed steps per second of real time.
// A program supplies its dynamic bodies and their scene nodes, in body order.
#include <string>

#include "assets/RigidBodyScene.h"
#include "frame/TestShell.h"

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
    // The nodes are drawn at a fifth of the node functions' unit sizes: a sphere
    // of radius 0.1, a box of edge 0.2, the physical sizes of the bodies.
    void addSphereNode(const std::string& entityName, const std::string& nodeName);
    void addBoxNode(const std::string& entityName, const std::string& nodeName);

private:
    void seedRandomGenerator();
    void queueBody(physics::rigidbody::RigidBody* body, const physics::Vector3& position);
    void appendNode(Ogre::SceneNode* node);

    bool mHasBoxes = false;
};
