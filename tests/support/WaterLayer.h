#pragma once
// A water layer on the headless scene manager, with a camera of its own, and
// the readers of what its mesh draws.
#include <Ogre.h>

#include <stdlib.h>

#include <cstdint>
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
inline void provideResources(const std::vector<std::pair<std::string, std::string>>& files)
{
    char folder[] = "/tmp/hydrax-test-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    for (const auto& file : files) {
        std::ofstream out(std::string(folder) + "/" + file.first, std::ios::binary);
        out << file.second;
    }
    Ogre::ResourceGroupManager::getSingleton().addResourceLocation(folder, "FileSystem",
                                                                   HeadlessOgre::uniqueName("HydraxFiles"));
}

}  // namespace testsupport
