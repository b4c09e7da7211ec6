// The programs that cast stencil shadows from their bunny refuse a model of more
// vertices than those shadows draw, where they load it.
#include <OgreException.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "HeadlessOgre.h"
#include "LargeModel.h"
#include "TempDirectory.h"
#include "programs/bumpshellball/bumpshellball.h"
#include "programs/bumpshellshell/bumpshellshell.h"
#include "programs/tumbleshow/tumbleshow.h"

namespace {

// Four levels below a folder whose media/models holds a bunny of 32769 vertices.
class LargeBunnyDirectory {
public:
    LargeBunnyDirectory() : mFolder("marrowfield-large-bunny"), mPrevious(std::filesystem::current_path())
    {
        std::filesystem::create_directories(mFolder.path() / "media/models");
        std::ofstream(mFolder.path() / "media/models/bunny_344.off") << testsupport::offModelOfVertices(32769);
        const std::filesystem::path deep = mFolder.path() / "run/programs/program/bin";
        std::filesystem::create_directories(deep);
        std::filesystem::current_path(deep);
    }
    ~LargeBunnyDirectory() { std::filesystem::current_path(mPrevious); }

private:
    testsupport::TempDirectory mFolder;
    std::filesystem::path mPrevious;
};

template <class Program>
struct Loading : Program {
    using Program::createBodies;
};

TEST(ShadowCasterPrograms, BunnyOverTheStencilLimitIsRefusedWhereItIsLoaded)
{
    const struct {
        const char* name;
        std::function<void()> createBodies;
    } programs[] = {
        {"tumbleshow", [] { Loading<tumbleshow::Test>().createBodies(); }},
        {"bumpshellball", [] { Loading<bumpshellball::Test>().createBodies(); }},
        {"bumpshellshell", [] { Loading<bumpshellshell::Test>().createBodies(); }},
    };
    const LargeBunnyDirectory directory;
    for (const auto& program : programs) {
        SCOPED_TRACE(program.name);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        std::string refusal;
        try {
            program.createBodies();
        } catch (const Ogre::Exception& e) {
            refusal = e.getFullDescription();
        }
        testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
        EXPECT_NE(refusal.find(std::string("\"") + BUNNY_MODEL + "\""), std::string::npos) << refusal;
        EXPECT_NE(refusal.find("at most 32768 vertices"), std::string::npos) << refusal;
        if (Ogre::MeshManager::getSingleton().resourceExists("Bunny"))
            Ogre::MeshManager::getSingleton().remove("Bunny", Ogre::RGN_DEFAULT);
    }
}

}  // namespace
