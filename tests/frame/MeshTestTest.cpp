#include "frame/MeshTest.h"

#include <OgreException.h>

#include <gtest/gtest.h>

#include <string>

#include "HeadlessOgre.h"
#include "LargeModel.h"
#include "TempFile.h"
#include "assets/OffMesh.h"

namespace {

using testsupport::HeadlessOgre;

class ShadowedProgram : public MeshTest {
public:
    explicit ShadowedProgram(Ogre::ShadowTechnique shadows) : MeshTest({1.0, 1.0 / 60, Poses::BODY1, shadows}) {}
    using MeshTest::loadShadowCaster;

protected:
    void createBodies() override {}
    void createBodyDrawings() override {}
};

// Stencil shadows draw a caster through 16-bit indices over twice its vertices
// (Ogre draws one of 32768 that uses its last vertex, and stops at one more);
// texture shadows, or none, take any model the readers take.
TEST(MeshTest, ShadowCasterOverTheStencilLimitIsRefusedNamingFileAndLimit)
{
    const std::string largest = testsupport::writeTempFile(testsupport::offModelOfVertices(32768), ".off");
    const std::string over = testsupport::writeTempFile(testsupport::offModelOfVertices(32769), ".off");
    const std::string most = testsupport::writeTempFile(testsupport::offModelOfVertices(65536), ".off");
    const struct {
        Ogre::ShadowTechnique shadows;
        const std::string& file;
        bool refused;
    } cases[] = {
        {Ogre::SHADOWTYPE_STENCIL_ADDITIVE, largest, false},   {Ogre::SHADOWTYPE_STENCIL_ADDITIVE, over, true},
        {Ogre::SHADOWTYPE_STENCIL_MODULATIVE, over, true},     {Ogre::SHADOWTYPE_TEXTURE_MODULATIVE, most, false},
        {Ogre::SHADOWTYPE_TEXTURE_ADDITIVE_INTEGRATED, most, false}, {Ogre::SHADOWTYPE_NONE, most, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(int(c.shadows)) + " " + c.file);
        ShadowedProgram program(c.shadows);
        const std::string meshName = HeadlessOgre::uniqueName("Caster");
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        std::string refusal;
        try {
            OffMesh* model = program.loadShadowCaster<OffMesh>(meshName, c.file, 1.0f);
            freeModelArrays(*model);
            delete model;
        } catch (const Ogre::Exception& e) {
            refusal = e.getFullDescription();
        }
        testing::internal::GetCapturedStdout();
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_EQ(!refusal.empty(), c.refused) << refusal;
        if (c.refused) {
            EXPECT_NE(refusal.find("\"" + c.file + "\""), std::string::npos) << refusal;
            EXPECT_NE(refusal.find("at most 32768 vertices; this one has 32769"), std::string::npos) << refusal;
            EXPECT_NE(errors.find(c.file), std::string::npos) << errors;
        }
        Ogre::MeshManager::getSingleton().remove(meshName, Ogre::RGN_DEFAULT);
    }
}

}  // namespace
