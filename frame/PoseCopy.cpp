#include "frame/PoseCopy.h"

#include <OgreMatrix3.h>

#include <cmath>

Ogre::Quaternion toOgreQuaternion(const physics::Matrix3& r)
{
    // Both are row-major: element [row][column] goes to [row][column].
    const Ogre::Matrix3 m(r[0][0], r[0][1], r[0][2],
                          r[1][0], r[1][1], r[1][2],
                          r[2][0], r[2][1], r[2][2]);
    Ogre::Quaternion q;
    q.FromRotationMatrix(m);
    return q;
}

namespace {

bool finite(float x, float y, float z)
{
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

}  // namespace

bool copyPose(const physics::rigidbody::RigidBody& body, Ogre::Node* node)
{
    const physics::Vector3& p = body.position;
    const physics::Matrix3& r = body.rotation;
    for (int row = 0; row < 3; ++row)
        if (!finite(r[row][0], r[row][1], r[row][2])) return false;
    if (!finite(p.x, p.y, p.z)) return false;
    const Ogre::Quaternion orientation = toOgreQuaternion(r);
    // A finite rotation far from orthonormal can still overflow in the conversion.
    if (!finite(orientation.x, orientation.y, orientation.z) || !std::isfinite(orientation.w)) return false;
    node->setPosition(Ogre::Vector3(p.x, p.y, p.z));
    node->setOrientation(orientation);
    return true;
}

std::vector<unsigned> copyPoses(physics::rigidbody::AbstractSimulator& simulator,
                                const std::vector<Ogre::SceneNode*>& nodes)
{
    std::vector<unsigned> refused;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (!nodes[i]) continue;
        if (!copyPose(*simulator.getBody(unsigned(i)), nodes[i])) refused.push_back(unsigned(i));
    }
    return refused;
}
