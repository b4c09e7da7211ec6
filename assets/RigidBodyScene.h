#pragma once
// Scene pieces that the rigid-body programs share: the shared body set-up, the
// walled enclosure, the ground under it and the sun.
#include <OgreSceneManager.h>

#include <cstdint>

#include "sim/maths/Vector3.h"
#include "sim/rigidbody/ODE.h"
#include "sim/rigidbody/RigidBody.h"
#include "sim/rigidbody/Simulator.h"

using RigidBodySimulator = physics::rigidbody::Simulator<physics::ODERungeKutta>;

// Queues the five static planes of the enclosure x, z in [-2, 2], y >= 0 (floor
// first, then the walls at x = -2, x = 2, z = -2, z = 2), normals pointing inwards.
// Each id is the simulator's body count when the plane is made (0 before the commit).
void queueEnclosure(RigidBodySimulator& simulator);
// The same with the ids firstId, firstId + 1, ... in that order.
void queueEnclosure(RigidBodySimulator& simulator, std::int32_t firstId);
// The enclosure's floor alone.
void queueFloor(RigidBodySimulator& simulator, std::int32_t id);

// The 1500 x 1500 plane "ground" in the floor's plane, drawn with "Examples/Rockwall".
void createGroundPlane(Ogre::SceneManager* sceneMgr);

// The white directional light "SunLight"; the direction is used as given.
void createSunLight(Ogre::SceneManager* sceneMgr, const Ogre::Vector3& direction);
