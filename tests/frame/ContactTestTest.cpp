#include "frame/ContactTest.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "HeadlessOgre.h"
#include "HeadlessScene.h"
#include "platform/CrtRandom.h"
#include "programs/bumpcrateball/bumpcrateball.h"

namespace {

using testsupport::HeadlessOgre;
using namespace physics::rigidbody;

// bumpcrateball's scene (a ball and a crate), built without a window (and so
// without the lights and shadows, which need a render system).
class BallAndCrate : public bumpcrateball::Test {
public:
    using ContactTest::createBodies;
    using ContactTest::createBodyDrawings;

    BallAndCrate() { mSceneMgr = HeadlessOgre::newSceneManager(); }
    ~BallAndCrate() override { testsupport::deleteBodies(mSimulator); }

    void frame(float dt)
    {
        Ogre::FrameEvent evt{};
        evt.timeSinceLastFrame = dt;
        updateSimulation(evt);
    }
};

class ContactTestScene : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::defineSphereMesh();
        testsupport::forgetCubeMesh();
        testing::internal::CaptureStdout();
        app.createBodies();
        output = testing::internal::GetCapturedStdout();
        app.createBodyDrawings();
    }

    BallAndCrate app;
    std::string output;
};

TEST_F(ContactTestScene, PrintsOneSeedingLineThenDrawsFromTheFixedSeed)
{
    const std::string prefix = "--------- seeding with: ";
    ASSERT_EQ(output.rfind(prefix, 0), 0u) << output;
    const std::string number = output.substr(prefix.size());
    ASSERT_GE(number.size(), 2u) << output;
    EXPECT_EQ(number.back(), '\n');
    for (std::size_t i = 0; i + 1 < number.size(); ++i) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(number[i]))) << output;
    EXPECT_LE(std::stoi(number), 32767);
    EXPECT_EQ(platform::crtRand(), 24283);  // the first draw after seeding with 27493
}

// The dynamic bodies come first, in the program's order, then the five planes.
TEST_F(ContactTestScene, BodiesAreTheProgramsThenTheEnclosure)
{
    ASSERT_EQ(app.mSimulator.getNumBodies(), 7u);
    EXPECT_EQ(app.mSimulator.getBody(0)->shapeType, SHAPE_SPHERE);
    EXPECT_EQ(app.mSimulator.getBody(1)->shapeType, SHAPE_BOX);
    for (unsigned i = 2; i < 7; ++i) EXPECT_EQ(app.mSimulator.getBody(i)->shapeType, SHAPE_PLANE);
    for (unsigned i = 0; i < 7; ++i) EXPECT_EQ(app.mSimulator.getBody(i)->id, 0);
    EXPECT_EQ(app.mSimulator.getBody(1)->position.y, 4.0f);
}

// The nodes are drawn at the bodies' physical sizes: radius 0.1, edge 0.2.
TEST_F(ContactTestScene, NodesShowTheBodiesAtTheirPhysicalSizes)
{
    ASSERT_EQ(app.mNodes.size(), 2u);
    EXPECT_FLOAT_EQ(app.mNodes[0]->getScale().x, 0.1f);
    const Ogre::Vector3 boxExtent = app.mNodes[1]->getAttachedObject(0)->getBoundingBox().getSize();
    EXPECT_FLOAT_EQ(app.mNodes[1]->getScale().x * boxExtent.x, 0.2f);
    EXPECT_TRUE(Ogre::MeshManager::getSingleton().resourceExists("my_cube_mesh"));
}

TEST_F(ContactTestScene, FirstFrameShowsTheInitialPosesThenTheBodiesFall)
{
    app.frame(0.016f);
    EXPECT_EQ(app.mNodes[1]->getPosition(), Ogre::Vector3(0, 4, 0));
    EXPECT_EQ(app.mSimTime, app.mRealTime);
    for (int i = 0; i < 30; ++i) app.frame(0.016f);
    // Free fall for the 0.48 s simulated since: well over 0.4 s worth.
    EXPECT_LT(app.mNodes[1]->getPosition().y, 4.0f - 0.5f * 9.81f * 0.4f * 0.4f);
    EXPECT_EQ(app.mNodes[1]->getPosition().y, app.mSimulator.getBody(1)->position.y);
}

// The bodies fall at the origin; the camera looks at them from above a corner of
// the enclosure, close enough for bodies of a fifth of a unit.
TEST(ContactTestCamera, LooksAtTheEnclosureFromAboveACorner)
{
    BallAndCrate app;
    app.createCamera();
    Ogre::Camera* camera = app.mCamera;
    EXPECT_EQ(camera->getName(), "PlayerCam");
    EXPECT_EQ(camera->getPosition(), Ogre::Vector3(6, 6, -6));
    EXPECT_TRUE(camera->getDirection().positionEquals(Ogre::Vector3(-1, -1, 1).normalisedCopy(), 1e-6f));
    EXPECT_EQ(camera->getNearClipDistance(), 0.5f);
}

}  // namespace
