#pragma once
// The water programs: shallow water drawn through the water layer's grid
// module under a sky box and one light, over the lake's terrain (coupled with
// floating bodies, or alone) or over flat ground. A program gives its settings
// and, where it has them, its models, bodies, water modifiers and body
// drawings; the scene's order and the frame step are the same for all.
//
// Frame step: the drop draw where the program asks for one per frame; the
// clock's sub-steps (forces cleared, water with its modifiers, coupling and
// flow, bodies); the layer placed from the surface and updated; the poses
// copied; the layer updated again.
#include <OgreCamera.h>
#include <OgreSceneManager.h>

#include <string>

#include "assets/RigidBodyScene.h"
#include "frame/TestShell.h"
#include "sim/water/WaterSimulator.h"

class OffMesh;
class Terrain;

namespace Hydrax {
class Hydrax;
}

class WaterShell : public TestShell {
public:
    enum class Light {
        LIGHT0,    // "Light0": a point light high above, warm highlights
        SUN_LIGHT  // "SunLight": white, directional, from above and behind the camera
    };
    enum class Drops {
        FROM_MODIFIERS,  // only what the water's modifiers add in its steps
        EVERY_FRAME      // one draw per frame, before the clock: a drop with probability dt / 2
    };

    struct Settings {
        // Makes "PlayerCam" where the program looks from.
        Ogre::Camera* (*camera)(Ogre::SceneManager* sceneMgr);
        // Vertices per side of the terrain's coarse mesh; 0: no terrain, flat
        // ground at 0 and the generic scene manager.
        unsigned terrainMeshSamples;
        // The water's square domain and cells per side, which the grid drawn
        // over it shares; a terrain gives as many height samples per side.
        float waterSize;
        int waterCells;
        Light light;
        Drops drops;
        // The clock's sub-step in seconds; the water steps by it as a float.
        double step;
        bool statsShownAtStart;
    };

    // The lake's world: its terrain file, a square of this size whose world
    // geometry lies from 0 to the size, moved to centre it on the origin.
    static constexpr const char* LAKE_TERRAIN = "watertest2_terrain.cfg";
    static constexpr float LAKE_SIZE = 50.0f;
    static constexpr float WATER_LEVEL = 10.0f;
    static constexpr const char* WATER_CONFIGURATION = "WaterTest2.hdx";
    // The terrain scene manager's material of the world geometry, which gets
    // the layer's depth technique.
    static constexpr const char* TERRAIN_MATERIAL = "SceneManagerInstance1/Terrain";

    // What the coupling programs differ in, named at the call: the vertices per
    // side of the terrain's coarse mesh, and the statistics at start.
    struct TerrainMeshSamples {
        unsigned perSide;
    };
    enum class Stats { HIDDEN, SHOWN };
    // The coupling programs: one body on the lake's water, the coupling camera,
    // "Light0", a drop drawn every frame, sub-steps of 1/60 s.
    static Settings couplingSettings(TerrainMeshSamples terrainMesh, Stats stats);
    // The water-only programs: the whole water seen from high above a corner,
    // "SunLight", a drop drawn every frame, the statistics hidden.
    static Settings rippleSettings(unsigned terrainMeshSamples, float waterSize, int waterCells, double step);
    static Ogre::Camera* createRippleCamera(Ogre::SceneManager* sceneMgr);

    explicit WaterShell(const Settings& settings);
    ~WaterShell() override;

    void createCamera() override;
    void createScene() override;
    void updateSimulation(const Ogre::FrameEvent& evt) override;

    Hydrax::Hydrax* mHydrax = nullptr;
    Terrain* mTerrain = nullptr;
    // Null in the programs without bodies: their water is not coupled, and
    // their frame step has no forces, body steps or poses.
    RigidBodySimulator* mSimulator = nullptr;
    physics::water::WaterSimulator* mWater = nullptr;
    // The generator of the per-frame drop draws and of the drops themselves.
    physics::water::WaterSimulator::RandomDraw mDraw;

    // The programs that float the OFF bunny: its model, body and node ("Ninja").
    OffMesh* mMesh = nullptr;
    Ogre::SceneNode* mBunnyNode = nullptr;
    physics::rigidbody::RigidBody* mBunnyBody = nullptr;

protected:
    // The scene's steps, in the order createScene runs them.
    void createWorld();
    // Between the world geometry and the terrain: models whose meshes must be
    // made before the terrain's (the bunny, whose mesh name the terrain's yields).
    virtual void loadModels() {}
    // The simulator's bodies, committed; none by default.
    virtual void createBodies() {}
    void createWater();
    virtual void addWaterModifiers() {}
    // Scene nodes of the bodies, appended to mNodes in body order.
    virtual void createBodyDrawings() {}
    void createLighting();
    void createWaterDrawing();
    // The viewport the water layer draws for: the window's only one.
    virtual Ogre::Viewport* waterViewport();

    // Pieces of the programs' bodies and drawings.
    void createSimulator();
    void addTerrainBody();
    void loadBunny();
    void addBunnyBody(float mass, const physics::Vector3& position);
    void createBunnyNode();
    // One body at rest at one place, queued when it touches no body queued
    // before it; otherwise the record is deleted and the scene cannot be built
    // (an Ogre::Exception naming the body and the place).
    template <class Body>
    void placeBody(Body* body, const std::string& name, const physics::Vector3& position)
    {
        if (queueIfFree(body, position)) return;
        delete body;
        refusePlace(name, position);
    }
    // A node per body in body order: spheres "Object%d" / "object_parent%d" of
    // radius 0.5, boxes of the same names, null for the other shapes.
    void createBodyNodes();

private:
    bool queueIfFree(physics::rigidbody::RigidBody* body, const physics::Vector3& position);
    [[noreturn]] void refusePlace(const std::string& name, const physics::Vector3& position);
    Ogre::Material* terrainMaterial();
    void drawFrameDrop(float dt);
    void stepSimulation(float t0, float t1);

    Settings mSettings;
};

// The water programs' light (the light "Light0" high above, or a sun), ambient
// light and sky box "Sky/ClubTropicana".
void createWaterLighting(Ogre::SceneManager* sceneManager, bool light0);

// The water programs' water layer over `water`: a grid of the water's cells and
// side, the depth technique added to `depthMaterial` when there is one, the
// layer's configuration "WaterTest2.hdx" (whether it was read in configured),
// created. The sun is the caller's.
Hydrax::Hydrax* createWaterLayer(Ogre::SceneManager* sceneManager, Ogre::Camera* camera, Ogre::Viewport* viewport,
                                 physics::water::WaterSimulator* water, int cells, int side,
                                 Ogre::Material* depthMaterial, bool& configured);

// The layer's place for a frame: at the water's lowest surface, its planes' error
// the water's range.
void placeWaterLayer(Hydrax::Hydrax& layer, const physics::water::WaterSimulator& water);
