#pragma once
// A water layer on the headless scene manager, with a camera of its own, and
// the readers of what its mesh draws.
#include <Ogre.h>

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "HeadlessOgre.h"
#include "platform/hydrax/Hydrax.h"

namespace testsupport {

struct WaterLayer {
    WaterLayer()
    {
        Ogre::SceneManager* scene = HeadlessOgre::sceneManager();
        camera = scene->createCamera(HeadlessOgre::uniqueName("WaterCamera"));
        camera->setAspectRatio(800.0f / 600.0f);
        hydrax.reset(new Hydrax::Hydrax(scene, camera, nullptr));
    }
    ~WaterLayer()
    {
        hydrax.reset();
        HeadlessOgre::sceneManager()->destroyCamera(camera);
    }

    Ogre::Camera* camera = nullptr;
    std::unique_ptr<Hydrax::Hydrax> hydrax;
};

// Position and normal of every vertex the mesh draws.
inline std::vector<float> drawnVertices(Hydrax::Mesh& mesh)
{
    Ogre::HardwareVertexBufferSharedPtr buffer = mesh.getVertexBuffer();
    std::vector<float> values(buffer->getSizeInBytes() / sizeof(float));
    buffer->readData(0, buffer->getSizeInBytes(), values.data());
    return values;
}

inline std::vector<std::uint32_t> drawnIndices(Hydrax::Mesh& mesh)
{
    Ogre::HardwareIndexBufferSharedPtr buffer = mesh.getIndexBuffer();
    std::vector<std::uint32_t> indices(buffer->getNumIndexes());
    if (buffer->getType() == Ogre::HardwareIndexBuffer::IT_32BIT) {
        buffer->readData(0, buffer->getSizeInBytes(), indices.data());
    } else {
        std::vector<std::uint16_t> narrow(indices.size());
        buffer->readData(0, buffer->getSizeInBytes(), narrow.data());
        indices.assign(narrow.begin(), narrow.end());
    }
    return indices;
}

}  // namespace testsupport

namespace testsupport {

// Reads configuration text as the layer reads its files.
inline void loadConfig(Ogre::ConfigFile& config, const std::string& text)
{
    Ogre::DataStreamPtr stream(OGRE_NEW Ogre::MemoryDataStream(const_cast<char*>(text.data()), text.size(), false, true));
    config.load(stream, "=", true);
}

// Writes files into a fresh folder and makes it a resource location of a group
// of its own, so that the layer finds them as it finds the programs' files.
// The folders go when the test process ends.
inline void provideResources(const std::vector<std::pair<std::string, std::string>>& files)
{
    struct Folders {
        ~Folders()
        {
            std::error_code ignored;
            for (const std::filesystem::path& folder : made) std::filesystem::remove_all(folder, ignored);
        }
        std::vector<std::filesystem::path> made;
    };
    static Folders folders;
    std::string name = (std::filesystem::temp_directory_path() / "hydrax-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    folders.made.push_back(name);
    for (const auto& file : files) {
        std::ofstream out(name + "/" + file.first, std::ios::binary);
        out << file.second;
    }
    Ogre::ResourceGroupManager::getSingleton().addResourceLocation(name, "FileSystem",
                                                                   HeadlessOgre::uniqueName("HydraxFiles"));
}

}  // namespace testsupport
