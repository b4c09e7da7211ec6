#pragma once
// Terrain scene managers in a headless root, and folders of terrain files that
// a test writes and publishes as a resource location of the default group.
#include <Ogre.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <unistd.h>

#include "HeadlessOgre.h"
#include "platform/terrain/TerrainSceneManager.h"

namespace testsupport {

// A new terrain scene manager, made by type name as the programs make theirs;
// a blank name lets Ogre number it.
inline platform::TerrainSceneManager* newTerrainSceneManager(const std::string& name = HeadlessOgre::uniqueName("TerrainTest"))
{
    // Outlives the root, which destroys the managers it made at its end.
    static platform::TerrainSceneManagerFactory factory;
    static const bool registered = (Ogre::Root::getSingleton().addSceneManagerFactory(&factory), true);
    (void)registered;
    return static_cast<platform::TerrainSceneManager*>(
        Ogre::Root::getSingleton().createSceneManager(platform::TerrainSceneManager::TYPE_NAME, name));
}

// Files of one test in a temporary folder of their own; the folder is a resource
// location of the default group while the object lives.
class TerrainFolder {
public:
    TerrainFolder()
        : mPath(std::filesystem::temp_directory_path() /
                (HeadlessOgre::uniqueName("marrowfield-terrain-") + "-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(mPath);
    }
    ~TerrainFolder()
    {
        if (mPublished)
            Ogre::ResourceGroupManager::getSingleton().removeResourceLocation(
                mPath.string(), Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
        std::filesystem::remove_all(mPath);
    }

    const std::filesystem::path& path() const { return mPath; }

    void writeText(const std::string& name, const std::string& text) { std::ofstream(mPath / name) << text; }

    // A grey image; grey(column, row) from 0 to 255.
    void writeGreyImage(const std::string& name, std::uint32_t width, std::uint32_t height,
                        const std::function<int(std::uint32_t, std::uint32_t)>& grey)
    {
        Ogre::Image image(Ogre::PF_L8, width, height);
        for (std::uint32_t r = 0; r < height; ++r)
            for (std::uint32_t c = 0; c < width; ++c) image.getData()[c + r * width] = Ogre::uchar(grey(c, r));
        image.save((mPath / name).string());
    }

    // A configuration "<name>.cfg" over the height map "<name>.png" with the texture "texture.png".
    void writeTerrain(const std::string& name, float sizeX, float sizeZ, float minHeight, float maxHeight,
                      std::uint32_t width, std::uint32_t height,
                      const std::function<int(std::uint32_t, std::uint32_t)>& grey)
    {
        writeGreyImage(name + ".png", width, height, grey);
        writeGreyImage("texture.png", 2, 2, [](std::uint32_t, std::uint32_t) { return 200; });
        writeText(name + ".cfg", "HeightMap = " + name + ".png\nWorldSizeX = " + std::to_string(sizeX) +
                                     "\nWorldSizeZ = " + std::to_string(sizeZ) +
                                     "\nMinHeight = " + std::to_string(minHeight) +
                                     "\nMaxHeight = " + std::to_string(maxHeight) + "\nTexture = texture.png\n");
    }

    // Call after writing: the group indexes a location's files when it is added.
    void publish()
    {
        Ogre::ResourceGroupManager::getSingleton().addResourceLocation(
            mPath.string(), "FileSystem", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
        mPublished = true;
    }

private:
    std::filesystem::path mPath;
    bool mPublished = false;
};

}  // namespace testsupport
