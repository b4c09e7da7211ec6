#pragma once
// The lake: a bunny and 40 spheres dropped from above float on water over the
// lake's terrain, coupled both ways with it; random drops pour water onto the
// middle of the lake.
#include "assets/CubeMesh.h"
#include "assets/RandomPlacement.h"
#include "frame/PlayerCamera.h"
#include "frame/WaterShell.h"
#include "platform/CrtRandom.h"
#include "programs/pondshow/WaterSource.h"

namespace pondshow {

// The band the spheres drop from: x and z from -25.00 to 24.99 (the lake's
// square), y from 17.00 to 22.99, above the bunny and the highest ground.
inline physics::Vector3 bandPoint(int rx, int ry, int rz)
{
    return physics::Vector3{hundredths(rx % 5000 - 2500.0), hundredths(ry % 600 + 2000.0 - 300.0),
                            hundredths(rz % 5000 - 2500.0)};
}

// 0.10 to 0.59 from one draw.
inline float sphereMass(int rm)
{
    return float((rm % 50) / 100.0 + 0.1);
}

class Test : public WaterShell {
public:
    static constexpr int SPHERES = 40;

    // The floating programs' lake, with its own camera and the drops of its
    // water source.
    static Settings lake()
    {
        Settings s = couplingSettings(TerrainMeshSamples{13}, Stats::HIDDEN);
        s.camera = [](Ogre::SceneManager* sceneMgr) {
            return createPlayerCamera(sceneMgr, Ogre::Vector3(-30, 25, -30), Ogre::Vector3(0, 8, 0));
        };
        s.drops = Drops::FROM_MODIFIERS;
        return s;
    }

    Test() : WaterShell(lake()) {}

protected:
    void loadModels() override { loadBunny(); }

    void createBodies() override
    {
        createSimulator();
        addTerrainBody();
        addBunnyBody(0.15f, {0, 12.5f, 0});
        placeSpheres();
        mSimulator->commitBodies();
    }

    void addWaterModifiers() override { mWater->addModifier(new WaterSource()); }

    void createBodyDrawings() override
    {
        createCubeMesh();
        createBodyNodes();
        createBunnyNode();
        mNodes[1] = mBunnyNode;
    }

private:
    // Four draws a sphere, in this order: its place on x, y and z, its mass.
    void placeSpheres()
    {
        placeEachAtRandom<physics::rigidbody::SphereBody>(
            *mSimulator, SPHERES, "sphere", [](physics::rigidbody::SphereBody* sphere) {
                const int rx = platform::crtRand();
                const int ry = platform::crtRand();
                const int rz = platform::crtRand();
                const int rm = platform::crtRand();
                physics::rigidbody::initSphere(sphere, sphereMass(rm), 0.5f);
                physics::rigidbody::setAtRest(sphere, bandPoint(rx, ry, rz));
            });
    }
};

}  // namespace pondshow
