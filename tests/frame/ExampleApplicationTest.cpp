#include "frame/ExampleApplication.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "HeadlessOgre.h"

namespace {

using testsupport::HeadlessOgre;
namespace fs = std::filesystem;

struct Application : ExampleApplication {
    void createScene() override {}
};

// A section is a resource group; tab, colon and equals sign all separate the
// archive type from the location; no location is searched recursively.
TEST(ExampleApplication, ResourceLocationsComeFromResourcesCfg)
{
    const fs::path dir = fs::temp_directory_path() / HeadlessOgre::uniqueName("resources");
    fs::remove_all(dir);
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
    fs::remove_all(dir);
}

TEST(ExampleApplication, MissingResourcesCfgIsAnOgreError)
{
    Application app;
    app.mResourcePath = (fs::temp_directory_path() / HeadlessOgre::uniqueName("nowhere")).string() + "/";
    EXPECT_THROW(app.setupResources(), Ogre::Exception);
}

}  // namespace
