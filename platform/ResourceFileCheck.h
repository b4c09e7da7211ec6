#pragma once
// The look of FileCheck.h at a resource that Ogre opens from a folder: its
// file-system archives open their files as streams, which wait on a FIFO for
// good. Here, not in the platform library, so that the library needs no Ogre.
#include <OgreArchive.h>
#include <OgreResourceGroupManager.h>

#include <filesystem>
#include <string>

#include "platform/FileCheck.h"

namespace platform {

// irregularFile of `name` in every folder of `group` that holds it; empty when
// none does, or when only archives of other kinds (zip files) hold it.
inline std::string irregularResource(const std::string& group, const std::string& name)
{
    for (const auto& location : Ogre::ResourceGroupManager::getSingleton().getResourceLocationList(group)) {
        const Ogre::Archive* archive = location.archive;
        if (archive->getType() != "FileSystem" || !archive->exists(name)) continue;
        const std::string problem = irregularFile((std::filesystem::path(archive->getName()) / name).string());
        if (!problem.empty()) return problem;
    }
    return "";
}

}  // namespace platform
