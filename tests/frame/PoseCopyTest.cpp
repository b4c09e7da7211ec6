#include "frame/PoseCopy.h"

#include <OgreMatrix3.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using physics::Matrix3;
using physics::rigidbody::RigidBody;

Matrix3 rotationY(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    return Matrix3{{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
}

TEST(PoseCopy, IdentityRotationIsTheIdentityQuaternion)
{
    EXPECT_TRUE(toOgreQuaternion(Matrix3::identity()).equals(Ogre::Quaternion::IDENTITY, Ogre::Radian(1e-6f)));
}

// Catches a transposed copy: the body's rotation about +x (turning +y towards
// +z) must come out as Ogre's rotation about +x by the same angle, not minus it.
TEST(PoseCopy, RotationAboutXKeepsItsSense)
{
    const Ogre::Quaternion q = toOgreQuaternion(Matrix3::makeRotationX(0.7f));
    EXPECT_NEAR(q.w, std::cos(0.35), 1e-6);
    EXPECT_NEAR(q.x, std::sin(0.35), 1e-6);
    EXPECT_NEAR(q.y, 0, 1e-6);
    EXPECT_NEAR(q.z, 0, 1e-6);
}

TEST(PoseCopy, QuaternionTurnsBackIntoTheBodyRotation)
{
    Matrix3 r = Matrix3::makeRotationX(0.4f);
    r *= rotationY(-1.1f);
    Ogre::Matrix3 back;
    toOgreQuaternion(r).ToRotationMatrix(back);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) EXPECT_NEAR(back[row][col], r[row][col], 1e-6) << row << "," << col;
}

RigidBody bodyAt(float x, float y, float z, const Matrix3& rotation)
{
    RigidBody body{};
    body.position = {x, y, z};
    body.rotation = rotation;
    return body;
}

TEST(PoseCopy, NodeTakesPositionAndOrientationButKeepsItsScale)
{
    Ogre::SceneNode node(nullptr);
    node.setScale(0.2f, 0.2f, 0.2f);
    copyPose(bodyAt(1, 2.5f, -3, Matrix3::makeRotationX(0.7f)), &node);
    EXPECT_EQ(node.getPosition(), Ogre::Vector3(1, 2.5f, -3));
    EXPECT_TRUE(node.getOrientation().equals(toOgreQuaternion(Matrix3::makeRotationX(0.7f)), Ogre::Radian(1e-6f)));
    EXPECT_EQ(node.getScale(), Ogre::Vector3(0.2f, 0.2f, 0.2f));
}

// A simulator of fixed bodies that records which ones were read.
class BodyList : public physics::rigidbody::AbstractSimulator {
public:
    explicit BodyList(std::vector<RigidBody> bodies) : mBodies(std::move(bodies)) {}
    RigidBody* getBody(unsigned index) override
    {
        mRead.push_back(index);
        return &mBodies.at(index);
    }
    unsigned getNumBodies() override { return unsigned(mBodies.size()); }
    physics::rigidbody::Contact* getContact(unsigned) override { return nullptr; }
    unsigned getNumContacts() override { return 0; }
    void clearForces() override {}
    void addForce(const physics::Vector3&, const physics::Vector3&, RigidBody*) override {}

    std::vector<RigidBody> mBodies;
    std::vector<unsigned> mRead;
};

TEST(PoseCopy, NodeListSkipsNullEntriesWithoutReadingTheirBodies)
{
    BodyList simulator({bodyAt(1, 0, 0, Matrix3::identity()), bodyAt(2, 0, 0, Matrix3::identity()),
                        bodyAt(3, 0, 0, Matrix3::identity())});
    Ogre::SceneNode first(nullptr), third(nullptr);
    copyPoses(simulator, {&first, nullptr, &third});
    EXPECT_EQ(simulator.mRead, (std::vector<unsigned>{0, 2}));
    EXPECT_EQ(first.getPosition().x, 1);
    EXPECT_EQ(third.getPosition().x, 3);
}

}  // namespace
