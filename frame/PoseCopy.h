#pragma once
// Shows a body's pose on its scene node: one simulation unit is one Ogre unit.
#include <OgreNode.h>
#include <OgreQuaternion.h>
#include <OgreSceneNode.h>

#include <vector>

#include "sim/maths/Matrix3.h"
#include "sim/rigidbody/AbstractSimulator.h"
#include "sim/rigidbody/RigidBody.h"

// A body rotation (row-major, body to world) as Ogre's quaternion. The simulator
// keeps the rotation close to orthonormal, so it is converted without a check.
Ogre::Quaternion toOgreQuaternion(const physics::Matrix3& rotation);

// Position, then orientation; the node's scale is left alone. Ogre stops the
// program on a position or orientation that is not a number, so a pose that is
// not finite (a body whose state has left the floats) is not handed over: the
// node stays where it was, and the result is false.
bool copyPose(const physics::rigidbody::RigidBody& body, Ogre::Node* node);

// Node-list form: entry i of nodes shows active body i; null entries are skipped.
// The list never has more entries than the simulator has active bodies. Returns
// the indices of the bodies whose pose was not copied.
std::vector<unsigned> copyPoses(physics::rigidbody::AbstractSimulator& simulator,
                                const std::vector<Ogre::SceneNode*>& nodes);
