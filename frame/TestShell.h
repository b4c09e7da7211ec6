#pragma once
// The part of every simulation program's application class that is the same in
// all of them: the two clocks, the node list, the window configuration, the
// scene manager and the frame listener that runs the program's update.
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "frame/ExampleApplication.h"
#include "frame/ExampleFrameListener.h"
#include "frame/FixedStepClock.h"
#include "sim/rigidbody/AbstractSimulator.h"

class TestShell : public ExampleApplication {
public:
    // Runs the program's frame step from frameStarted.
    class MyListener : public ExampleFrameListener {
    public:
        MyListener(Ogre::RenderWindow* window, Ogre::Camera* camera, TestShell* app);
        bool frameStarted(const Ogre::FrameEvent& evt) override;

        TestShell* mApp;

    protected:
        // With devices that the caller made and keeps, as the base's.
        MyListener(Ogre::RenderWindow* window, Ogre::Camera* camera, TestShell* app, OIS::Keyboard* keyboard,
                   OIS::Mouse* mouse);

    private:
        void showStatsAtStart();
    };

    // What the programs with random scenes seed the generator with, so that
    // their scenes are the same in every run.
    static constexpr std::uint32_t SCENE_SEED = 27493;

    TestShell();
    ~TestShell() override;

    // A saved configuration when there is one, else Ogre's dialog; then the window.
    bool configure() override;
    // The base's generic scene manager, or for the programs with terrain the
    // terrain scene manager by its type name (from a plug-in "plugins.cfg" lists).
    void chooseSceneManager() override;
    void createFrameListener() override;

    // The program's frame step, called once per frame before rendering.
    virtual void updateSimulation(const Ogre::FrameEvent& evt) = 0;

    // Scene nodes that draw a body (sphere.mesh, or the cube mesh) at unit size.
    Ogre::SceneNode* createSphereNode(const std::string& entityName, const std::string& nodeName, float radius);
    Ogre::SceneNode* createBoxNode(const std::string& entityName, const std::string& nodeName);

    // Entry i draws body i; a null entry draws nothing.
    std::vector<Ogre::SceneNode*> mNodes;
    // Frame time accumulated (divided by the program's time scale), in seconds.
    double mRealTime = 0.0;
    // Time the simulation has reached; negative until the first frame starts it.
    double mSimTime = -1.0;

    bool statsShownAtStart() const { return mStatsShownAtStart; }
    bool usesTerrainSceneManager() const { return mUsesTerrainSceneManager; }

    // Seconds on a steady clock, which bounds a frame's catch-up; the tests drive their own.
    std::function<double()> mWorkClock;

protected:
    // The fixed-step clock of the frame steps (see advanceFixedStepClock) on
    // mRealTime and mSimTime. When a frame's steps pass the catch-up limit, the
    // rest of its backlog is dropped; the first time, the log says so.
    template <class Simulate>
    void advanceClock(float dt, double timeScale, double step, Simulate&& simulate)
    {
        const FrameSteps steps = advanceFixedStepClock(mRealTime, mSimTime, dt, timeScale, step, simulate, mWorkClock);
        if (steps.dropped > 0) reportDroppedSteps(steps);
    }

    // The drawn bodies' poses, in the node-list form or of one body; a pose that
    // is not finite leaves its node where it was, and its body is logged once.
    void copyDrawnPoses(physics::rigidbody::AbstractSimulator& simulator, const std::vector<Ogre::SceneNode*>& nodes);
    void copyDrawnPose(physics::rigidbody::AbstractSimulator& simulator, const physics::rigidbody::RigidBody& body,
                       Ogre::Node* node);

    // Whether the statistics overlay is shown when the listener starts.
    bool mStatsShownAtStart = false;
    // Set by the programs with terrain.
    bool mUsesTerrainSceneManager = false;

private:
    void reportDroppedSteps(const FrameSteps& steps);
    void reportNonFinitePose(unsigned body);

    bool mStepsDropped = false;
    // The bodies whose pose was found not finite, by index.
    std::set<unsigned> mNonFinitePoses;
};
