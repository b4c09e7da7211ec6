#include "frame/WaterShell.h"

#include <OgreException.h>
#include <OgreLight.h>
#include <OgreMaterialManager.h>
#include <OgreTechnique.h>

#include <cstdio>

#include "assets/HydraxGrid.h"
#include "assets/MeshBody.h"
#include "assets/ModelNode.h"
#include "assets/OffMesh.h"
#include "assets/Terrain.h"
#include "frame/CouplingCamera.h"
#include "frame/PlayerCamera.h"
#include "platform/CrtRandom.h"
#include "platform/hydrax/Hydrax.h"
#include "platform/hydrax/Noise/Perlin.h"

using namespace physics;
using namespace physics::rigidbody;

WaterShell::WaterShell(const Settings& settings) : mDraw(platform::crtRand), mSettings(settings)
{
    mUsesTerrainSceneManager = settings.terrainMeshSamples > 0;
    mStatsShownAtStart = settings.statsShownAtStart;
}

WaterShell::~WaterShell() = default;

WaterShell::Settings WaterShell::couplingSettings(TerrainMeshSamples terrainMesh, Stats stats)
{
    Settings s;
    s.camera = createCouplingCamera;
    s.terrainMeshSamples = terrainMesh.perSide;
    s.waterSize = LAKE_SIZE;
    s.waterCells = 65;
    s.light = Light::LIGHT0;
    s.drops = Drops::EVERY_FRAME;
    s.step = 1.0 / 60.0;
    s.statsShownAtStart = stats == Stats::SHOWN;
    return s;
}

WaterShell::Settings WaterShell::rippleSettings(unsigned terrainMeshSamples, float waterSize, int waterCells,
                                                double step)
{
    Settings s;
    s.camera = createRippleCamera;
    s.terrainMeshSamples = terrainMeshSamples;
    s.waterSize = waterSize;
    s.waterCells = waterCells;
    s.light = Light::SUN_LIGHT;
    s.drops = Drops::EVERY_FRAME;
    s.step = step;
    s.statsShownAtStart = false;
    return s;
}

Ogre::Camera* WaterShell::createRippleCamera(Ogre::SceneManager* sceneMgr)
{
    return createPlayerCamera(sceneMgr, Ogre::Vector3(-70, 50, -70), Ogre::Vector3(0, 10, 0));
}

void WaterShell::createCamera()
{
    mCamera = mSettings.camera(mSceneMgr);
}

void WaterShell::createScene()
{
    createWorld();
    createBodies();
    createWater();
    addWaterModifiers();
    createBodyDrawings();
    createLighting();
    createWaterDrawing();
}

// The terrain scene manager loads the lake; its node holds the world geometry
// from 0 to the size, and is moved so that the lake is centred on the origin
// like the terrain's mesh and the water.
void WaterShell::createWorld()
{
    if (mSettings.terrainMeshSamples == 0) {
        loadModels();
        return;
    }
    mSceneMgr->setWorldGeometry(LAKE_TERRAIN);
    mSceneMgr->getSceneNode("Terrain")->setPosition(-LAKE_SIZE / 2, 0, -LAKE_SIZE / 2);
    loadModels();
    mTerrain = new Terrain(mSceneMgr, LAKE_SIZE, unsigned(mSettings.waterCells), mSettings.terrainMeshSamples);
    mTerrain->create();
}

void WaterShell::createWater()
{
    mWater = new water::WaterSimulator(mTerrain ? mTerrain->mHeights : nullptr, mSettings.waterSize, WATER_LEVEL,
                                       mSettings.waterCells);
    if (mSimulator) mWater->mRigidBodySimulator = mSimulator;
}

void WaterShell::createLighting() { createWaterLighting(mSceneMgr, mSettings.light == Light::LIGHT0); }

void createWaterLighting(Ogre::SceneManager* sceneManager, bool light0)
{
    if (light0) {
        Ogre::Light* light = sceneManager->createLight("Light0");
        light->setPosition(Ogre::Vector3(0, 40000, 0));
        light->setDiffuseColour(1, 1, 1);
        light->setSpecularColour(1, 0.9f, 0.6f);
    } else {
        createSunLight(sceneManager, Ogre::Vector3(0, -1, 1));
    }
    sceneManager->setAmbientLight(Ogre::ColourValue(0.1f, 0.1f, 0.1f, 0.1f));
    sceneManager->setSkyBox(true, "Sky/ClubTropicana", SKY_BOX_DISTANCE, true, Ogre::Quaternion::IDENTITY,
                            Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
}

// The grid's complexity and size are the water's; the configuration file,
// shared by grids of both sizes, may carry others, which the grid logs and
// leaves.
void WaterShell::createWaterDrawing()
{
    bool configured = false;
    mHydrax = createWaterLayer(mSceneMgr, mCamera, waterViewport(), mWater, mSettings.waterCells,
                               int(mSettings.waterSize), mTerrain ? terrainMaterial() : nullptr, configured);
    mHydrax->setSunPosition(Ogre::Vector3(0, 40000, 0));
}

Hydrax::Hydrax* createWaterLayer(Ogre::SceneManager* sceneManager, Ogre::Camera* camera, Ogre::Viewport* viewport,
                                 physics::water::WaterSimulator* water, int cells, int side,
                                 Ogre::Material* depthMaterial, bool& configured)
{
    auto* layer = new Hydrax::Hydrax(sceneManager, camera, viewport);
    HydraxGrid* grid =
        new HydraxGrid(Hydrax::MaterialManager::NM_VERTEX, layer, new Hydrax::Noise::Perlin(),
                       HydraxGrid::Options(cells, Hydrax::Size(side, side), 32.5f, false, true, 0.065f), water);
    layer->setModule(grid, true);
    if (depthMaterial) layer->getMaterialManager()->addDepthTechnique(depthMaterial->createTechnique(), true);
    configured = layer->loadCfg(WaterShell::WATER_CONFIGURATION);
    layer->create();
    return layer;
}

void placeWaterLayer(Hydrax::Hydrax& layer, const physics::water::WaterSimulator& water)
{
    layer.setPosition(Ogre::Vector3(0, water.mMinSurface, 0));
    layer.setPlanesError(float(double(water.mMaxSurface) - water.mMinSurface));
}

Ogre::Viewport* WaterShell::waterViewport()
{
    return mWindow->getViewport(0);
}

Ogre::Material* WaterShell::terrainMaterial()
{
    Ogre::MaterialPtr terrain = Ogre::MaterialManager::getSingleton().getByName(TERRAIN_MATERIAL);
    if (!terrain)
        OGRE_EXCEPT(Ogre::Exception::ERR_ITEM_NOT_FOUND,
                    std::string("no material \"") + TERRAIN_MATERIAL +
                        "\" of the terrain to add the water's depth technique to",
                    "WaterShell::terrainMaterial");
    return terrain.get();
}

void WaterShell::createSimulator()
{
    platform::crtSrand(SCENE_SEED);
    mSimulator = new RigidBodySimulator();
}

void WaterShell::addTerrainBody()
{
    queueMeshBody(*mSimulator, std::int32_t(mSimulator->getNumBodies()), 4.0f, *mTerrain, false, Vector3{0, 0, 0});
}

// The name "Bunny" is the one the entity "Ninja" shows: the terrain's coarse
// mesh, made later, takes another.
void WaterShell::loadBunny()
{
    mMesh = new OffMesh("Bunny", BUNNY_MODEL, 2.5f);
}

void WaterShell::addBunnyBody(float mass, const Vector3& position)
{
    mBunnyBody = queueMeshBody(*mSimulator, 1, mass, *mMesh, true, position);
}

void WaterShell::createBunnyNode()
{
    mBunnyNode = createModelNode(mSceneMgr, "Ninja", "Bunny", true);
}

bool WaterShell::queueIfFree(RigidBody* body, const Vector3& position)
{
    setAtRest(body, position);
    if (mSimulator->isColliding(body)) return false;
    mSimulator->addBody(body);
    return true;
}

void WaterShell::refusePlace(const std::string& name, const Vector3& position)
{
    char place[96];
    std::snprintf(place, sizeof place, "(%g, %g, %g)", double(position.x), double(position.y), double(position.z));
    const std::size_t index = mSimulator->getNumBodies() + mSimulator->mPendingBodies.size();
    OGRE_EXCEPT(Ogre::Exception::ERR_INVALID_STATE,
                "the " + name + " (body " + std::to_string(index) + ") cannot be placed at " + place +
                    ": it touches a body placed before it",
                "WaterShell::placeBody");
}

void WaterShell::createBodyNodes()
{
    for (unsigned i = 0; i < mSimulator->getNumBodies(); ++i) {
        char entityName[32];
        char nodeName[32];
        std::snprintf(entityName, sizeof entityName, "Object%u", i);
        std::snprintf(nodeName, sizeof nodeName, "object_parent%u", i);
        Ogre::SceneNode* node = nullptr;
        switch (mSimulator->getBody(i)->shapeType) {
        case SHAPE_BOX: node = createBoxNode(entityName, nodeName); break;
        case SHAPE_SPHERE: node = createSphereNode(entityName, nodeName, 0.5f); break;
        default: break;
        }
        mNodes.push_back(node);
    }
}

void WaterShell::updateSimulation(const Ogre::FrameEvent& evt)
{
    const float dt = evt.timeSinceLastFrame;
    if (mSimulator) mSimulator->clearForces();
    if (mSettings.drops == Drops::EVERY_FRAME) drawFrameDrop(dt);
    advanceClock(dt, 1.0, mSettings.step, [this](float t0, float t1) { stepSimulation(t0, t1); });
    placeWaterLayer(*mHydrax, *mWater);
    mHydrax->update(dt);
    if (mSimulator) copyDrawnPoses(*mSimulator, mNodes);
    mHydrax->update(dt);
}

// About one drop in two seconds: a frame of dt seconds draws one with the
// probability dt / 2 (for frames shorter than 2 s).
void WaterShell::drawFrameDrop(float dt)
{
    const int r = mDraw();
    if (double(dt) * 0.5 * 32767 >= r) mWater->addRandomDrop(mDraw);
}

// The coupling adds its forces in the water's step; clearing them first lets
// them act in exactly the body step that follows.
void WaterShell::stepSimulation(float t0, float t1)
{
    if (mSimulator) mSimulator->clearForces();
    mWater->step(float(mSettings.step));
    if (mSimulator) mSimulator->simulate(t0, t1);
}
