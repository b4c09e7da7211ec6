#include "frame/PoseCopy.h"

#include <OgreMatrix3.h>

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

void copyPose(const physics::rigidbody::RigidBody& body, Ogre::Node* node)
{
    const Ogre::Quaternion orientation = toOgreQuaternion(body.rotation);
    node->setPosition(Ogre::Vector3(body.position.x, body.position.y, body.position.z));
    node->setOrientation(orientation);
}

void copyPoses(physics::rigidbody::AbstractSimulator& simulator, const std::vector<Ogre::SceneNode*>& nodes)
{
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (!nodes[i]) continue;
        copyPose(*simulator.getBody(unsigned(i)), nodes[i]);
    }
}
