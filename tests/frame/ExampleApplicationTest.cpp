#include "frame/ExampleApplication.h"
#include "frame/ConfigFileCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "HeadlessOgre.h"
#include "TempDirectory.h"

namespace {

using testsupport::HeadlessOgre;
using testsupport::TempDirectory;
namespace fs = std::filesystem;

struct Application : ExampleApplication {
    void createScene() override {}
};

// A section is a resource group; tab, colon and equals sign all separate the
// archive type from the location; no location is searched recursively.
TEST(ExampleApplication, ResourceLocationsComeFromResourcesCfg)
{
    const TempDirectory temp("resources");
    const fs::path& dir = temp.path();
    for (const char* sub : {"a", "b", "c", "d"}) fs::create_directories(dir / sub);
    std::ofstream(dir / "resources.cfg") << "[TestGroupOne]\n"
                                         << "FileSystem=" << (dir / "a").string() << "\n"
                                         << "FileSystem:" << (dir / "b").string() << "\n"
                                         << "FileSystem\t" << (dir / "c").string() << "\n"
                                         << "[TestGroupTwo]\n"
                                         << "  FileSystem = " << (dir / "d").string() << "  \n";
    Application app;
    app.mResourcePath = dir.string() + "/";
    app.setupResources();

    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    std::vector<std::string> one;
    for (const Ogre::ResourceGroupManager::ResourceLocation& location : groups.getResourceLocationList("TestGroupOne")) {
        one.push_back(location.archive->getName());
        EXPECT_FALSE(location.recursive);
        EXPECT_EQ(location.archive->getType(), "FileSystem");
    }
    EXPECT_EQ(one, (std::vector<std::string>{(dir / "a").string(), (dir / "b").string(), (dir / "c").string()}));
    ASSERT_EQ(groups.getResourceLocationList("TestGroupTwo").size(), 1u);
    EXPECT_EQ(groups.getResourceLocationList("TestGroupTwo").front().archive->getName(), (dir / "d").string());
}

TEST(ExampleApplication, MissingResourcesCfgIsAnOgreError)
{
    Application app;
    const TempDirectory temp("nowhere");
    app.mResourcePath = temp.path().string() + "/";
    EXPECT_THROW(app.setupResources(), Ogre::Exception);
}

// Ogre's reader would never end on a directory or a device; a missing file is
// Ogre's to answer.
TEST(ConfigFileCheck, OnlyARegularReadableFileOrNothing)
{
    const TempDirectory temp("config");
    const fs::path& dir = temp.path();
    fs::create_directories(dir / "directory.cfg");
    std::ofstream(dir / "file.cfg") << "[General]\n";
    fs::create_symlink("/dev/zero", dir / "device.cfg");
    fs::create_symlink(dir / "file.cfg", dir / "link.cfg");

    EXPECT_NO_THROW(checkConfigFile((dir / "file.cfg").string()));
    EXPECT_NO_THROW(checkConfigFile((dir / "link.cfg").string()));
    EXPECT_NO_THROW(checkConfigFile((dir / "missing.cfg").string()));
    for (const char* name : {"directory.cfg", "device.cfg"}) {
        const std::string path = (dir / name).string();
        try {
            checkConfigFile(path);
            ADD_FAILURE() << name << " accepted";
        } catch (const Ogre::Exception& e) {
            EXPECT_NE(e.getDescription().find("'" + path + "'"), std::string::npos) << e.getDescription();
        }
    }
}

TEST(ExampleApplication, ResourcesCfgThatIsADirectoryIsAnOgreErrorNamingIt)
{
    const TempDirectory temp("resources");
    fs::create_directories(temp.path() / "resources.cfg");
    Application app;
    app.mResourcePath = temp.path().string() + "/";
    try {
        app.setupResources();
        ADD_FAILURE() << "a directory accepted as resources.cfg";
    } catch (const Ogre::Exception& e) {
        EXPECT_NE(e.getDescription().find("resources.cfg"), std::string::npos) << e.getDescription();
    }
}

}  // namespace
