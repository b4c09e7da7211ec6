#pragma once
// A water program's scene built without a display (a viewport needs a render
// system: the water layer is made without one); and the release of what the
// programs never free.
#include <Ogre.h>

#include <utility>

#include "HeadlessOgre.h"
#include "HeadlessScene.h"
#include "assets/ModelMesh.h"
#include "assets/OffMesh.h"
#include "assets/Terrain.h"
#include "frame/WaterShell.h"
#include "platform/hydrax/Hydrax.h"
#include "sim/rigidbody/MeshTree.h"

namespace testsupport {

// A program built on a scene manager of the test's (the generic one, or the
// terrain one where the program asks for it), with its camera. Its work clock
// stands still: the tests count the steps of their frames, which the catch-up
// limit must not cut on a loaded machine.
template <class Program>
class HeadlessWaterProgram : public Program {
public:
    template <class... Arguments>
    explicit HeadlessWaterProgram(Arguments&&... arguments) : Program(std::forward<Arguments>(arguments)...)
    {
        this->mWorkClock = [] { return 0.0; };
    }

    void prepare(Ogre::SceneManager* sceneManager)
    {
        this->mSceneMgr = sceneManager;
        this->createCamera();
    }

protected:
    Ogre::Viewport* waterViewport() override { return nullptr; }
};

// Everything the scene made with new, then the meshes it named (so that the
// next scene can make them again) and the scene manager.
inline void releaseWaterScene(WaterShell& program)
{
    delete program.mHydrax;
    if (program.mWater)
        for (physics::water::WaterModifier* modifier : program.mWater->mModifiers) delete modifier;
    delete program.mWater;
    if (program.mSimulator) {
        for (physics::rigidbody::RigidBody* body : program.mSimulator->mBodies) deleteBody(body);
        for (physics::rigidbody::RigidBody* body : program.mSimulator->mPendingBodies) deleteBody(body);
    }
    deleteSimulator(program.mSimulator);
    delete program.mTerrain;
    if (program.mMesh) freeModelArrays(*program.mMesh);
    delete program.mMesh;
    Ogre::Root::getSingleton().destroySceneManager(program.mSceneMgr);
    Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
    for (const char* name : {"Bunny", "Bunny/Terrain", "my_cube_mesh"})
        if (meshes.resourceExists(name)) meshes.remove(name);
}

}  // namespace testsupport
