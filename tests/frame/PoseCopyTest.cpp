#include "frame/PoseCopy.h"
#include "frame/TestShell.h"

#include <OgreMatrix3.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "HeadlessOgre.h"
#include "LogCapture.h"

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

// Ogre stops the program on a position or orientation that is not a number: a
// pose with any float that is not finite leaves the node where it was.
TEST(PoseCopy, PoseThatIsNotFiniteLeavesTheNodeWhereItWas)
{
    const struct {
        const char* what;
        void (*spoil)(RigidBody&);
    } cases[] = {
        {"position x NaN", [](RigidBody& b) { b.position.x = std::numeric_limits<float>::quiet_NaN(); }},
        {"position y infinite", [](RigidBody& b) { b.position.y = std::numeric_limits<float>::infinity(); }},
        {"position z -infinite", [](RigidBody& b) { b.position.z = -std::numeric_limits<float>::infinity(); }},
        {"rotation [0][0] NaN", [](RigidBody& b) { b.rotation[0][0] = std::numeric_limits<float>::quiet_NaN(); }},
        {"rotation [1][2] NaN", [](RigidBody& b) { b.rotation[1][2] = std::numeric_limits<float>::quiet_NaN(); }},
        {"rotation [2][1] infinite", [](RigidBody& b) { b.rotation[2][1] = std::numeric_limits<float>::infinity(); }},
        // Finite, but its trace overflows in the conversion.
        {"rotation of huge diagonal", [](RigidBody& b) { b.rotation[0][0] = b.rotation[1][1] = b.rotation[2][2] = 3e38f; }},
    };
    for (const auto& c : cases) {
        RigidBody body = bodyAt(1, 2, 3, Matrix3::makeRotationX(0.3f));
        c.spoil(body);
        Ogre::SceneNode node(nullptr);
        node.setPosition(-4, 5, 6);
        node.setOrientation(Ogre::Quaternion(Ogre::Radian(1), Ogre::Vector3::UNIT_Y));
        EXPECT_FALSE(copyPose(body, &node)) << c.what;
        EXPECT_EQ(node.getPosition(), Ogre::Vector3(-4, 5, 6)) << c.what;
        EXPECT_EQ(node.getOrientation(), Ogre::Quaternion(Ogre::Radian(1), Ogre::Vector3::UNIT_Y)) << c.what;
    }
}

TEST(PoseCopy, NodeListNamesTheBodiesWhosePoseWasNotCopied)
{
    BodyList simulator({bodyAt(1, 0, 0, Matrix3::identity()), bodyAt(2, 0, 0, Matrix3::identity()),
                        bodyAt(3, 0, 0, Matrix3::identity()), bodyAt(4, 0, 0, Matrix3::identity())});
    simulator.mBodies[1].position.y = std::numeric_limits<float>::quiet_NaN();
    simulator.mBodies[2].rotation[0][1] = std::numeric_limits<float>::quiet_NaN();
    simulator.mBodies[3].position.z = std::numeric_limits<float>::quiet_NaN();
    Ogre::SceneNode first(nullptr), second(nullptr), third(nullptr);
    EXPECT_EQ(copyPoses(simulator, {&first, &second, &third, nullptr}), (std::vector<unsigned>{1, 2}));
    EXPECT_EQ(first.getPosition().x, 1);
    EXPECT_EQ(second.getPosition(), Ogre::Vector3::ZERO);
    EXPECT_EQ(third.getPosition(), Ogre::Vector3::ZERO);
    EXPECT_TRUE(copyPoses(simulator, {&first}).empty());
}

// The programs' shell names each body whose pose it could not show, once.
class PoseShell : public TestShell {
public:
    using TestShell::copyDrawnPose;
    using TestShell::copyDrawnPoses;
    void createScene() override {}
    void updateSimulation(const Ogre::FrameEvent&) override {}
};

TEST(PoseCopy, ShellLogsEachBodyWhosePoseIsNotFiniteOnce)
{
    BodyList simulator({bodyAt(1, 0, 0, Matrix3::identity()), bodyAt(2, 0, 0, Matrix3::identity()),
                        bodyAt(3, 0, 0, Matrix3::identity()), bodyAt(4, 0, 0, Matrix3::identity())});
    simulator.mBodies[1].position.x = std::numeric_limits<float>::quiet_NaN();
    simulator.mBodies[3].rotation[2][2] = std::numeric_limits<float>::quiet_NaN();
    PoseShell shell;
    testsupport::LogCapture log;
    Ogre::SceneNode first(nullptr), second(nullptr), third(nullptr), fourth(nullptr);
    for (int frame = 0; frame < 3; ++frame) {
        shell.copyDrawnPoses(simulator, {&first, &second, &third});
        shell.copyDrawnPose(simulator, simulator.mBodies[3], &fourth);
    }
    EXPECT_EQ(log.countStartingWith("The pose of body 1 is not finite"), 1);
    EXPECT_EQ(log.countStartingWith("The pose of body 3 is not finite"), 1);
    EXPECT_EQ(log.countStartingWith("The pose of body"), 2);
    EXPECT_EQ(third.getPosition().x, 3);
    EXPECT_EQ(fourth.getPosition(), Ogre::Vector3::ZERO);
}

}  // namespace
