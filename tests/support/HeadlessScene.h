#pragma once
// What a contact-test scene needs without the program's media: a stand-in for
// "sphere.mesh", and the release of the bodies (and their mesh trees) that the
// programs never free.
#include <Ogre.h>

#include "assets/RigidBodyScene.h"
#include "sim/rigidbody/MeshTree.h"

namespace testsupport {

// A sphere mesh whose box is 2 units wide, centred on the origin.
inline void defineSphereMesh()
{
    Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
    if (meshes.resourceExists("sphere.mesh")) return;
    Ogre::MeshPtr mesh = meshes.createManual("sphere.mesh", Ogre::RGN_DEFAULT);
    mesh->_setBounds(Ogre::AxisAlignedBox(-1, -1, -1, 1, 1, 1), false);
    mesh->load();
}

// The scenes make the cube mesh themselves, once per process in a program.
inline void forgetCubeMesh()
{
    Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
    if (meshes.resourceExists("my_cube_mesh")) meshes.remove("my_cube_mesh");
}

// A body record as the scenes make it, with a mesh body's tree.
inline void deleteBody(physics::rigidbody::RigidBody* body)
{
    using namespace physics::rigidbody;
    switch (body->shapeType) {
    case SHAPE_SPHERE: delete static_cast<SphereBody*>(body); break;
    case SHAPE_BOX: delete static_cast<BoxBody*>(body); break;
    case SHAPE_PLANE: delete static_cast<PlaneBody*>(body); break;
    case SHAPE_TRIANGLE_MESH:
        delete static_cast<TriangleMeshBody*>(body)->meshTree;
        delete static_cast<TriangleMeshBody*>(body);
        break;
    default: break;
    }
}

inline void deleteBodies(RigidBodySimulator& simulator)
{
    for (unsigned i = 0; i < simulator.getNumBodies(); ++i) deleteBody(simulator.getBody(i));
}

// The scenes make the simulator itself, never a type derived from it, whose
// destructor would then have to be virtual.
inline void deleteSimulator(RigidBodySimulator* simulator)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"
    delete simulator;
#pragma GCC diagnostic pop
}

}  // namespace testsupport
